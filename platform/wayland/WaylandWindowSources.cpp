#include "platform/wayland/WaylandWindowSources.h"

#include "platform/generic/GenericRunningApps.h"
#include "platform/generic/GenericWindowList.h"
#include "platform/wayland/WaylandRunningApps.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/wayland/hyprland/HyprlandWindows.h"
#include "platform/wayland/kwin/KwinWindows.h"
#include "platform/wayland/sway/SwayWindows.h"

#include <QDBusConnection>
#include <QFile>

namespace tavlin {

namespace {

std::shared_ptr<CompositorWindows> compositorWindows()
{
    if (const QByteArray sway = qgetenv("SWAYSOCK"); !sway.isEmpty()) {
        if (auto windows = SwayWindows::connectTo(QFile::decodeName(sway)))
            return windows;
    }
    if (const QByteArray signature = qgetenv("HYPRLAND_INSTANCE_SIGNATURE"); !signature.isEmpty()) {
        if (auto windows = HyprlandWindows::connectTo(
                HyprlandWindows::socketFolder(qgetenv("XDG_RUNTIME_DIR"), signature)))
            return windows;
    }
    if (auto windows = KwinWindows::connectTo(QDBusConnection::sessionBus()))
        return windows;
    return nullptr;
}

} // namespace

WaylandWindowSources WaylandWindowSources::make(std::shared_ptr<CompositorWindows> windows)
{
    WaylandWindowSources sources;
    if (!windows)
        windows = compositorWindows();
    if (windows) {
        sources.windowList = std::make_unique<WaylandWindowList>(windows);
        sources.runningApps = std::make_unique<WaylandRunningApps>(windows);
    } else {
        sources.windowList = std::make_unique<GenericWindowList>();
        sources.runningApps = std::make_unique<GenericRunningApps>();
    }
    return sources;
}

} // namespace tavlin
