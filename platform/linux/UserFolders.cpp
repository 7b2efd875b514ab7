#include "platform/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace tavlin::UserFolders {

QByteArray desktop()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return location.isEmpty() ? QByteArray() : QFile::encodeName(location);
}

QByteArray configHome()
{
    // Read the variables directly: Qt's test mode would redirect the config location.
    const QByteArray base = qgetenv("XDG_CONFIG_HOME");
    if (base.startsWith('/'))
        return base;
    // Unset, empty or relative: ignored, as the XDG rules say.
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty())
        home = QFile::encodeName(QDir::homePath());
    return home + "/.config";
}

QByteArray settingsFile()
{
    return configHome() + "/tavlin/settings.json";
}

} // namespace tavlin::UserFolders
