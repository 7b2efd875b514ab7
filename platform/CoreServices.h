#pragma once

#include "platform/Clock.h"
#include "platform/ContentTypes.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/StateFolder.h"

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

} // namespace tavlin
