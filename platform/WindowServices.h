#pragma once

#include "platform/DesktopPictures.h"
#include "platform/OverlaySurfaces.h"
#include "platform/RunningApps.h"
#include "platform/WindowList.h"
#include "platform/WorkspaceEvents.h"

#include <memory>

namespace tavlin {

class X11Connection;

// What the overlays need from the window system. `overlays` reports the workspace's changes,
// so it is destroyed first.
struct WindowServices
{
    // The process's one X connection, shared by the X11 backends and the hot keys; null off X11.
    std::shared_ptr<X11Connection> x11;
    std::unique_ptr<WorkspaceEvents> workspace;
    std::unique_ptr<OverlaySurfaces> overlays;
    std::unique_ptr<DesktopPictures> desktopPictures;
    std::unique_ptr<WindowList> windowList;
    std::unique_ptr<RunningApps> runningApps;
};

} // namespace tavlin
