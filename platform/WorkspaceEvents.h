#pragma once

#include <QObject>

namespace tavlin {

// Changes of the desktop as a whole that overlays must follow.
class WorkspaceEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // Screens were added, removed, moved or resized.
    void screensChanged();
    // The user switched to another virtual desktop.
    void currentDesktopChanged();
    // The stacking order of the managed windows changed (a window was raised, lowered, mapped
    // or unmapped).
    void stackingChanged();
};

} // namespace tavlin
