#include "platform/wayland/gnome/GnomeWindows.h"

#include "platform/wayland/gnome/GnomeShell.h"
#include "platform/wayland/kwin/KwinReport.h"

namespace tavlin {

GnomeWindows::GnomeWindows(std::shared_ptr<GnomeShell> shell) : m_shell(std::move(shell))
{
    connect(m_shell.get(), &GnomeShell::windowsReported, this, [this](const QByteArray& json) {
        if (std::optional<QList<CompositorWindow>> reported = KwinReport::windows(json)) {
            m_reported = std::move(*reported);
            refresh();
        }
    });
    connect(m_shell.get(), &GnomeShell::stateChanged, this, [this] {
        if (m_shell->state() != GnomeShell::State::Ready) {
            m_reported.clear();
            refresh();
        }
    });
}

void GnomeWindows::read()
{
    readDone(m_reported);
}

} // namespace tavlin
