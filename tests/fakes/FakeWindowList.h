#pragma once

#include "platform/WindowList.h"

namespace tavlin {

// Other programs' windows as a test sets them.
class FakeWindowList final : public WindowList
{
    Q_OBJECT
public:
    QList<WindowInfo> list;
    std::optional<QList<WindowInfo>> windows() override { return list; }
};

} // namespace tavlin
