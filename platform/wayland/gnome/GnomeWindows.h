#pragma once

#include "platform/wayland/CompositorWindows.h"

#include <memory>

namespace tavlin {

class GnomeShell;

// Windows as Tavlin's GNOME Shell extension reports them, whenever they change: nothing to ask
// and nothing to poll. The report has the shape of the KWin script's.
class GnomeWindows : public CompositorWindows
{
    Q_OBJECT
public:
    explicit GnomeWindows(std::shared_ptr<GnomeShell> shell);

protected:
    void read() override;

private:
    std::shared_ptr<GnomeShell> m_shell;
    QList<CompositorWindow> m_reported;
};

} // namespace tavlin
