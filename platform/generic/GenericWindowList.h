#pragma once

#include "platform/WindowList.h"

namespace tavlin {

// Where other clients' windows cannot be seen (a compositor without a window IPC, offscreen):
// none.
class GenericWindowList : public WindowList
{
    Q_OBJECT
public:
    using WindowList::WindowList;

    std::optional<QList<WindowInfo>> windows() override { return QList<WindowInfo>(); }
    QString unavailableReason() const override
    {
        return tr("This desktop doesn't tell Tavlin where windows are");
    }
};

} // namespace tavlin
