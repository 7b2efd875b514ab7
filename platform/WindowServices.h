#pragma once

#include "platform/DesktopPictures.h"
#include "platform/OverlaySurfaces.h"
#include "platform/RunningApps.h"
#include "platform/WindowList.h"
#include "platform/WorkspaceEvents.h"

#include <memory>

namespace tavlin {

// What the overlays need from the window system. `overlays` reports the workspace's changes,
// so it is destroyed first.
struct WindowServices
{
    std::unique_ptr<WorkspaceEvents> workspace;
    std::unique_ptr<OverlaySurfaces> overlays;
    std::unique_ptr<DesktopPictures> desktopPictures;
    std::unique_ptr<WindowList> windowList;
    std::unique_ptr<RunningApps> runningApps;
};

} // namespace tavlin
