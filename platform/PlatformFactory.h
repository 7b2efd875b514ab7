#pragma once

#include "platform/Clock.h"
#include "platform/ContentTypes.h"
#include "platform/DesktopPictures.h"
#include "platform/DirectoryWatcher.h"
#include "platform/FileManagerReveal.h"
#include "platform/FileSystem.h"
#include "platform/FolderChooser.h"
#include "platform/HotKeyGrabber.h"
#include "platform/LoginItem.h"
#include "platform/OverlaySurfaces.h"
#include "platform/RunningApps.h"
#include "platform/SettingsStore.h"
#include "platform/StateFolder.h"
#include "platform/TrayHosts.h"
#include "platform/WindowList.h"
#include "platform/WorkspaceEvents.h"

#include <memory>

namespace tavlin {

// The services that work without any display: enough for the command line.
struct CoreServices
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ContentTypes> contentTypes;
    std::unique_ptr<StateFolder> state;
};

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

// Picks the real backend for this system at run time.
namespace PlatformFactory {
CoreServices makeCoreServices();
std::unique_ptr<DirectoryWatcher> makeDirectoryWatcher();
// Starts this program at login; needs a QCoreApplication (for the program's path).
std::unique_ptr<LoginItem> makeLoginItem();
// These two need a running QApplication.
std::unique_ptr<FolderChooser> makeFolderChooser();
std::unique_ptr<FileManagerReveal> makeFileManagerReveal();
// X11 when the application runs there; on Wayland layer surfaces where the compositor offers
// them (no windows of others yet); elsewhere no overlays and no windows of others.
// Needs a QGuiApplication.
WindowServices makeWindowServices();
// Key grabs on X11, the desktop portal's global shortcuts on Wayland; elsewhere every chord is
// refused. Needs a QGuiApplication.
std::unique_ptr<HotKeyGrabber> makeHotKeyGrabber();
// The session bus's tray hosts.
std::unique_ptr<TrayHosts> makeTrayHosts();
} // namespace PlatformFactory

} // namespace tavlin
