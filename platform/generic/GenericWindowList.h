#pragma once

#include "platform/WindowList.h"

namespace tavlin {

// Where other clients' windows cannot be seen (Wayland, offscreen): none.
class GenericWindowList : public WindowList
{
    Q_OBJECT
public:
    using WindowList::WindowList;

    QList<WindowInfo> windows() override { return {}; }
    QString unavailableReason() const override
    {
        return tr("Can't see other programs' windows here");
    }
};

} // namespace tavlin
