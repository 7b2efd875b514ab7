#include "platform/PlatformFactory.h"

#include "platform/UserFolders.h"
#include "platform/linux/DbusFileManagerReveal.h"
#include "platform/linux/DialogFolderChooser.h"
#include "platform/linux/InotifyDirectoryWatcher.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/SystemClock.h"

#include <QFile>

namespace tavlin::PlatformFactory {

CoreServices makeCoreServices()
{
    CoreServices services;
    services.clock = std::make_unique<SystemClock>();
    services.fileSystem = std::make_unique<PosixFileSystem>();
    services.settings =
        std::make_unique<JsonSettingsStore>(QFile::decodeName(UserFolders::settingsFile()));
    services.contentTypes = std::make_unique<MimeContentTypes>();
    return services;
}

std::unique_ptr<DirectoryWatcher> makeDirectoryWatcher()
{
    return std::make_unique<InotifyDirectoryWatcher>();
}

std::unique_ptr<FolderChooser> makeFolderChooser()
{
    return std::make_unique<DialogFolderChooser>();
}

std::unique_ptr<FileManagerReveal> makeFileManagerReveal()
{
    return std::make_unique<DbusFileManagerReveal>();
}

} // namespace tavlin::PlatformFactory
