#include "app/AppServices.h"

namespace tavlin {

AppServices AppServices::make()
{
    AppServices services;
    services.core = PlatformFactory::makeCoreServices();
    services.window = PlatformFactory::makeWindowServices();
    services.folderChooser = PlatformFactory::makeFolderChooser();
    services.reveal = PlatformFactory::makeFileManagerReveal();
    services.loginItem = PlatformFactory::makeLoginItem();
    services.hotKeyGrabber = PlatformFactory::makeHotKeyGrabber();
    return services;
}

} // namespace tavlin
