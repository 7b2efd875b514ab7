#pragma once

#include "platform/WindowList.h"

namespace tavlin {

// Other programs' windows as a test sets them.
class FakeWindowList final : public WindowList
{
    Q_OBJECT
public:
    QList<WindowInfo> list;
    QList<WindowInfo> windows() override { return list; }
};

} // namespace tavlin
