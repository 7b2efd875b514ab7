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

namespace {

// Read the variables directly: Qt's test mode would redirect the standard locations.
QByteArray xdgFolder(const char* variable, const char* fallback)
{
    const QByteArray base = qgetenv(variable);
    if (base.startsWith('/'))
        return base;
    // Unset, empty or relative: ignored, as the XDG rules say.
    return home() + fallback;
}

} // namespace

QByteArray home()
{
    const QByteArray home = qgetenv("HOME");
    return home.isEmpty() ? QFile::encodeName(QDir::homePath()) : home;
}

QByteArray configHome()
{
    return xdgFolder("XDG_CONFIG_HOME", "/.config");
}

QByteArray stateFolder()
{
    return xdgFolder("XDG_STATE_HOME", "/.local/state") + "/tavlin";
}

QByteArray settingsFile()
{
    return configHome() + "/tavlin/settings.json";
}

} // namespace tavlin::UserFolders
