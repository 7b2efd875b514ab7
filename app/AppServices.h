#pragma once

#include "platform/CoreServices.h"
#include "platform/DirectoryWatcher.h"
#include "platform/ExitGuard.h"
#include "platform/FileManagerReveal.h"
#include "platform/FolderChooser.h"
#include "platform/HotKeyGrabber.h"
#include "platform/LoginItem.h"
#include "platform/NotificationServices.h"
#include "platform/WindowServices.h"

#include <memory>

namespace tavlin {

// Everything the running program reaches the system through, made once at start.
struct AppServices
{
    CoreServices core;
    WindowServices window;
    std::unique_ptr<FolderChooser> folderChooser;
    std::unique_ptr<FileManagerReveal> reveal;
    std::unique_ptr<LoginItem> loginItem;
    std::unique_ptr<HotKeyGrabber> hotKeyGrabber;
    std::unique_ptr<NotificationServices> notifications;
    // Keeps the menu's count of pending items current; the tidy takes it over.
    std::unique_ptr<DirectoryWatcher> desktopWatcher;
    // Gives Do Not Disturb back once the program has ended, however it ended.
    std::unique_ptr<ExitGuard> exitGuard;

    // The real ones for this system; needs a QApplication.
    static AppServices make();
};

} // namespace tavlin
