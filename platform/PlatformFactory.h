#pragma once

#include "platform/CoreServices.h"
#include "platform/DirectoryWatcher.h"
#include "platform/ExitGuard.h"
#include "platform/FileManagerReveal.h"
#include "platform/FolderChooser.h"
#include "platform/HotKeyGrabber.h"
#include "platform/LoginItem.h"
#include "platform/NotificationServices.h"
#include "platform/TrayHosts.h"
#include "platform/WindowServices.h"

#include <QByteArrayList>
#include <memory>

namespace tavlin {

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
// Key grabs on X11 (on `window`'s X connection), the desktop portal's global shortcuts on
// Wayland; elsewhere every chord is refused. Needs a QGuiApplication.
std::unique_ptr<HotKeyGrabber> makeHotKeyGrabber(const WindowServices& window);
// The session bus's tray hosts.
std::unique_ptr<TrayHosts> makeTrayHosts();
// The notification service on the session bus.
std::unique_ptr<NotificationServices> makeNotificationServices();
// A helper that runs this very program again with `arguments` once this process has ended (or
// let it go); needs no application object.
std::unique_ptr<ExitGuard> makeExitGuard(const QByteArrayList& arguments);
// In such a helper: returns once the process that started it has ended or let it go.
void waitForGuardedProcess();
} // namespace PlatformFactory

} // namespace tavlin
