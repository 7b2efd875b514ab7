#pragma once

#include "platform/WindowList.h"

namespace tavlin {

// Where other clients' windows cannot be seen (Wayland, offscreen): none.
class GenericWindowList : public WindowList
{
    Q_OBJECT
public:
    using WindowList::WindowList;

    std::optional<QList<WindowInfo>> windows() override { return QList<WindowInfo>(); }
};

} // namespace tavlin
