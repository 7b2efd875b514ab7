#pragma once

#include "platform/FileSystem.h"
#include "platform/FolderChooser.h"
#include "platform/SettingsStore.h"

#include <QByteArray>
#include <optional>

namespace tavlin {

// The one gate to the Desktop folder the user chose: remembered across launches, and asked for
// only from a direct user action, never from background work.
class DesktopAccess
{
public:
    // `chooser` may be null where no window can be shown (the command line).
    DesktopAccess(SettingsStore& settings, const FileSystem& fileSystem, FolderChooser* chooser);

    // The remembered folder if it can still be opened; otherwise, when `prompt` is true, the
    // folder the user picks now (remembered from then on). nullopt when there is none.
    std::optional<QByteArray> desktopFolder(bool prompt);

    // The remembered folder if it can still be opened, without ever asking.
    std::optional<QByteArray> storedFolder() const;

    static QString promptMessage();
    static QString promptAcceptLabel();

private:
    SettingsStore& m_settings;
    const FileSystem& m_fileSystem;
    FolderChooser* m_chooser;
};

} // namespace tavlin
