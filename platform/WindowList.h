#pragma once

#include "platform/WindowInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace tavlin {

// The windows on screen, as spotlight mode needs them to cut its holes.
class WindowList : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Front-most first, or none while the window system cannot say (its window manager is
    // restarting, say): callers keep what they had. Cheap enough to call on every frame.
    virtual std::optional<QList<WindowInfo>> windows() = 0;

    // Why other programs' windows cannot be followed in this session, in one line; empty when
    // they can.
    virtual QString unavailableReason() const { return {}; }

Q_SIGNALS:
    // Something in the list may have changed: a window opened, closed, moved or restacked.
    void changed();
};

} // namespace tavlin
