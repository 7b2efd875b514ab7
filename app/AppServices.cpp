#include "app/AppServices.h"

#include "app/GiveBackCommand.h"
#include "platform/PlatformFactory.h"

namespace tavlin {

AppServices AppServices::make()
{
    AppServices services;
    services.core = PlatformFactory::makeCoreServices();
    services.window = PlatformFactory::makeWindowServices();
    services.folderChooser = PlatformFactory::makeFolderChooser();
    services.reveal = PlatformFactory::makeFileManagerReveal();
    services.loginItem = PlatformFactory::makeLoginItem();
    services.hotKeyGrabber = PlatformFactory::makeHotKeyGrabber(services.window);
    services.notifications = PlatformFactory::makeNotificationServices();
    services.desktopWatcher = PlatformFactory::makeDirectoryWatcher();
    services.exitGuard = PlatformFactory::makeExitGuard({GiveBackCommand::name});
    return services;
}

} // namespace tavlin
