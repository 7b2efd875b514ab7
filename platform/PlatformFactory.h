#pragma once

#include "platform/Clock.h"
#include "platform/ContentTypes.h"
#include "platform/DirectoryWatcher.h"
#include "platform/FileManagerReveal.h"
#include "platform/FileSystem.h"
#include "platform/FolderChooser.h"
#include "platform/SettingsStore.h"

#include <memory>

namespace tavlin {

// The services that work without any display: enough for the command line.
struct CoreServices
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<ContentTypes> contentTypes;
};

// Picks the real backend for this system at run time.
namespace PlatformFactory {
CoreServices makeCoreServices();
std::unique_ptr<DirectoryWatcher> makeDirectoryWatcher();
// These two need a running QApplication.
std::unique_ptr<FolderChooser> makeFolderChooser();
std::unique_ptr<FileManagerReveal> makeFileManagerReveal();
} // namespace PlatformFactory

} // namespace tavlin
