#pragma once

#include "platform/WorkspaceEvents.h"

class QScreen;

namespace tavlin {

// Screen changes as Qt sees them; no virtual desktops or stacking (a window system that tells
// those reports them in a subclass).
class QtWorkspaceEvents : public WorkspaceEvents
{
    Q_OBJECT
public:
    explicit QtWorkspaceEvents(QObject* parent = nullptr);

private:
    void watchScreen(QScreen* screen);
    void screensMayHaveChanged();

    bool m_screenChangeQueued = false;
};

} // namespace tavlin
