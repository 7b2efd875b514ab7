#pragma once

#include "platform/ScreenMapping.h"
#include "platform/WindowInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class QScreen;

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

    // Where this list's rectangles lie on `screen`. By default they are in Qt's global
    // coordinates: logical pixels throughout.
    virtual ScreenMapping mappingFor(const QScreen& screen) const;
    // The screen that shows the point `at` of this list's coordinates, or none.
    QScreen* screenAt(const QPointF& at) const;

    // Someone follows the windows frame by frame but asks only on changed(): a list whose
    // window system does not tell of every move looks for moves itself meanwhile.
    virtual void setFollowed(bool followed) { Q_UNUSED(followed); }

Q_SIGNALS:
    // Something in the list may have changed: a window opened, closed, moved or restacked.
    void changed();
};

} // namespace tavlin
