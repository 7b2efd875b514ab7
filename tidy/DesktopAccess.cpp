#include "tidy/DesktopAccess.h"

#include "platform/UserFolders.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

namespace tavlin {

DesktopAccess::DesktopAccess(SettingsStore& settings, const FileSystem& fileSystem,
                             FolderChooser* chooser)
    : m_settings(settings), m_fileSystem(fileSystem), m_chooser(chooser)
{
}

QString DesktopAccess::promptMessage()
{
    return QStringLiteral(
        "Tavlin needs access to your Desktop to tidy it. Choose your Desktop folder.");
}

QString DesktopAccess::promptAcceptLabel()
{
    return QStringLiteral("Allow Access");
}

std::optional<QByteArray> DesktopAccess::storedFolder() const
{
    const std::optional<QString> stored = m_settings.string(TidyKeys::desktopBookmark);
    if (!stored)
        return std::nullopt;
    std::optional<QByteArray> folder = StoredPath::decode(*stored);
    // A folder that can no longer be opened counts as no choice at all.
    if (!folder || !folder->startsWith('/') || !m_fileSystem.canOpenFolder(*folder))
        return std::nullopt;
    return folder;
}

std::optional<QByteArray> DesktopAccess::desktopFolder(bool prompt)
{
    if (std::optional<QByteArray> folder = storedFolder())
        return folder;
    if (!prompt || !m_chooser)
        return std::nullopt;
    const std::optional<QByteArray> chosen =
        m_chooser->chooseFolder(promptMessage(), promptAcceptLabel(), UserFolders::desktop());
    if (!chosen || chosen->isEmpty() || !chosen->startsWith('/'))
        return std::nullopt;
    m_settings.setValue(TidyKeys::desktopBookmark, StoredPath::encode(*chosen));
    return chosen;
}

} // namespace tavlin
