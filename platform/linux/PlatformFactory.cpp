#include "platform/PlatformFactory.h"

#include "platform/UserFolders.h"
#include "platform/generic/GenericHotKeyGrabber.h"
#include "platform/generic/GenericRunningApps.h"
#include "platform/generic/GenericWindowList.h"
#include "platform/generic/QtWorkspaceEvents.h"
#include "platform/generic/UnavailableOverlaySurfaces.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/linux/DbusFileManagerReveal.h"
#include "platform/linux/DbusNotificationServices.h"
#include "platform/linux/DbusTrayHosts.h"
#include "platform/linux/DialogFolderChooser.h"
#include "platform/linux/InotifyDirectoryWatcher.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/linux/KGlobalAccelHotKeyGrabber.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PipeExitGuard.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/PosixStateFolder.h"
#include "platform/linux/SystemClock.h"
#include "platform/portal/PortalHotKeyGrabber.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandOverlaySurfaces.h"
#include "platform/wayland/WaylandWindowSources.h"
#include "platform/wayland/gnome/GnomeHotKeyGrabber.h"
#include "platform/wayland/gnome/GnomeOverlaySurfaces.h"
#include "platform/wayland/gnome/GnomeShell.h"
#include "platform/wayland/gnome/GnomeWindows.h"
#include "platform/wayland/kwin/KdeOutputOrder.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DesktopPictures.h"
#include "platform/x11/X11HotKeyGrabber.h"
#include "platform/x11/X11OverlaySurfaces.h"
#include "platform/x11/X11RunningApps.h"
#include "platform/x11/X11WindowList.h"
#include "platform/x11/X11WorkspaceEvents.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QGuiApplication>

namespace tavlin::PlatformFactory {

CoreServices makeCoreServices()
{
    CoreServices services;
    services.clock = std::make_unique<SystemClock>();
    services.fileSystem = std::make_unique<PosixFileSystem>();
    services.settings =
        std::make_unique<JsonSettingsStore>(QFile::decodeName(UserFolders::settingsFile()));
    services.contentTypes = std::make_unique<MimeContentTypes>();
    services.state = std::make_unique<PosixStateFolder>(UserFolders::stateFolder());
    return services;
}

std::unique_ptr<DirectoryWatcher> makeDirectoryWatcher()
{
    return std::make_unique<InotifyDirectoryWatcher>();
}

std::unique_ptr<LoginItem> makeLoginItem()
{
    return std::make_unique<AutostartLoginItem>(QFile::decodeName(UserFolders::configHome()),
                                                QCoreApplication::applicationFilePath());
}

std::unique_ptr<FolderChooser> makeFolderChooser()
{
    return std::make_unique<DialogFolderChooser>();
}

std::unique_ptr<FileManagerReveal> makeFileManagerReveal()
{
    return std::make_unique<DbusFileManagerReveal>();
}

namespace {

// Layer surfaces on the compositor Qt talks to, where it offers them.
std::unique_ptr<OverlaySurfaces> makeWaylandOverlays()
{
    std::shared_ptr<WaylandConnection> wayland = WaylandConnection::open();
    if (wayland && wayland->layerShell())
        return std::make_unique<WaylandOverlaySurfaces>(std::move(wayland));
    // An ordinary window covering everything would be worse than nothing.
    return std::make_unique<UnavailableOverlaySurfaces>(
        wayland ? QCoreApplication::translate("tavlin", "This desktop doesn't let Tavlin place "
                                                        "overlays over its windows")
                : QCoreApplication::translate("tavlin", "Cannot reach the Wayland compositor"));
}

} // namespace

WindowServices makeWindowServices()
{
    WindowServices services;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        services.workspace = std::make_unique<QtWorkspaceEvents>();
        // GNOME Shell shows overlays and tells of windows only through our extension.
        std::shared_ptr<GnomeShell> gnome = GnomeShell::connectTo(QDBusConnection::sessionBus());
        if (gnome)
            services.overlays = std::make_unique<GnomeOverlaySurfaces>(gnome);
        else
            services.overlays = makeWaylandOverlays();
        // The desktop's own settings, where it keeps its wallpaper; no root window here.
        services.desktopPictures =
            std::make_unique<X11DesktopPictures>(nullptr, &KdeOutputOrder::current);
        // The compositor's own IPC where it has one (sway, Hyprland, KWin); else nothing.
        WaylandWindowSources sources =
            WaylandWindowSources::make(gnome ? std::make_shared<GnomeWindows>(gnome) : nullptr);
        services.windowList = std::move(sources.windowList);
        services.runningApps = std::move(sources.runningApps);
        return services;
    }
    std::shared_ptr<X11Connection> x11 = X11Connection::create();
    services.x11 = x11;
    services.workspace = std::make_unique<X11WorkspaceEvents>(x11);
    // The desktop's own settings are read everywhere; the root background only on X11.
    services.desktopPictures = std::make_unique<X11DesktopPictures>(x11);
    if (x11) {
        services.overlays = std::make_unique<X11OverlaySurfaces>(x11, *services.workspace);
        services.windowList = std::make_unique<X11WindowList>(x11);
        services.runningApps = std::make_unique<X11RunningApps>(x11);
    } else {
        // An ordinary window covering everything would be worse than nothing.
        services.overlays = std::make_unique<UnavailableOverlaySurfaces>(
            QCoreApplication::translate("tavlin", "Needs an X11 session"));
        services.windowList = std::make_unique<GenericWindowList>();
        services.runningApps = std::make_unique<GenericRunningApps>();
    }
    return services;
}

std::unique_ptr<HotKeyGrabber> makeHotKeyGrabber(const WindowServices& window)
{
    if (window.x11)
        return std::make_unique<X11HotKeyGrabber>(window.x11);
    // Wayland lets no program grab keys; the desktop binds them on request, if it offers that:
    // GNOME Shell through our extension wherever it runs, Plasma through its own shortcut
    // service (its portal asks the user in a dialog first), the others through the portal.
    if (QGuiApplication::platformName().startsWith(u"wayland")) {
        std::shared_ptr<GnomeShell> gnome = GnomeShell::connectTo(QDBusConnection::sessionBus());
        if (gnome && gnome->state() == GnomeShell::State::Ready)
            return std::make_unique<GnomeHotKeyGrabber>(std::move(gnome));
        if (KGlobalAccelHotKeyGrabber::servedByCompositor(QDBusConnection::sessionBus()))
            return std::make_unique<KGlobalAccelHotKeyGrabber>(QDBusConnection::sessionBus());
        return std::make_unique<PortalHotKeyGrabber>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("tavlin-portal")),
            QGuiApplication::desktopFileName());
    }
    return std::make_unique<GenericHotKeyGrabber>();
}

std::unique_ptr<TrayHosts> makeTrayHosts()
{
    return std::make_unique<DbusTrayHosts>();
}

std::unique_ptr<NotificationServices> makeNotificationServices()
{
    return std::make_unique<DbusNotificationServices>(QDBusConnection::sessionBus());
}

std::unique_ptr<ExitGuard> makeExitGuard(const QByteArrayList& arguments)
{
    // The running image itself, even when an upgrade has replaced the file since.
    return std::make_unique<PipeExitGuard>(QByteArrayLiteral("/proc/self/exe"), arguments);
}

void waitForGuardedProcess()
{
    PipeExitGuard::waitForGuardedProcess();
}

} // namespace tavlin::PlatformFactory
