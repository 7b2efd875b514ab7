#pragma once

#include "platform/RunningApps.h"
#include "platform/WindowList.h"

#include <memory>

namespace tavlin {
class CompositorWindows;
}

namespace tavlin {

struct WaylandWindowSources
{
    std::unique_ptr<WindowList> windowList;
    std::unique_ptr<RunningApps> runningApps;

    // From the compositor this session runs on: sway when $SWAYSOCK answers, Hyprland when
    // $HYPRLAND_INSTANCE_SIGNATURE names a running instance, KWin when it runs our script;
    // elsewhere none, with the reason. `windows`, when given, are used instead (GNOME Shell's).
    static WaylandWindowSources make(std::shared_ptr<CompositorWindows> windows = nullptr);
};

} // namespace tavlin
