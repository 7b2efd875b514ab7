#pragma once

#include "platform/WindowList.h"

#include <memory>

namespace tavlin {

class CompositorWindows;

// Other programs' windows on a Wayland desktop, as its compositor's IPC reports them.
class WaylandWindowList : public WindowList
{
    Q_OBJECT
public:
    explicit WaylandWindowList(std::shared_ptr<CompositorWindows> source,
                               QObject* parent = nullptr);

    // Asked every frame while spotlight mode is on, which keeps the list fresh meanwhile.
    std::optional<QList<WindowInfo>> windows() override;
    QString unavailableReason() const override;
    void setFollowed(bool followed) override;

private:
    std::shared_ptr<CompositorWindows> m_source;
    QList<WindowInfo> m_windows;
};

} // namespace tavlin
