#pragma once

#include "platform/Clock.h"
#include "platform/ContentTypes.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/StateFolder.h"

namespace tavlin {

// The platform services every tidy operation works through; owned elsewhere.
struct TidyServices
{
    FileSystem& fileSystem;
    SettingsStore& settings;
    Clock& clock;
    ContentTypes& contentTypes;
    StateFolder& state;
};

} // namespace tavlin
