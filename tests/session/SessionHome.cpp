#include "tests/session/SessionHome.h"

#include "tests/session/ChildProcesses.h"
#include "tests/session/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavlin {

SessionHome::SessionHome(const QString& prefix)
    : m_prefix(prefix), m_dir(QDir::temp().filePath(prefix + QStringLiteral("-XXXXXX")))
{
    removeAbandoned();
    m_valid = m_dir.isValid() && writeFiles();
    if (m_valid)
        pointEnvironmentHere();
}

SessionHome::~SessionHome()
{
    for (auto it = m_savedEnvironment.crbegin(); it != m_savedEnvironment.crend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

void SessionHome::removeAbandoned() const
{
    // A killed test leaves its folder behind; a later one clears it once its owner is gone.
    const QDir temp = QDir::temp();
    for (const QString& name :
         temp.entryList({m_prefix + QStringLiteral("-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile owner(temp.filePath(name) + QStringLiteral("/owner"));
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        const QByteArray pid = owner.readAll().trimmed();
        if (!pid.isEmpty() &&
            !QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)))
            QDir(temp.filePath(name)).removeRecursively();
    }
}

bool SessionHome::writeFile(const QString& relativePath, const QByteArray& contents) const
{
    const QString file = path() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(contents) == contents.size();
}

bool SessionHome::writeFiles()
{
    for (const QString& folder :
         {path() + QStringLiteral("/logs"), runtimePath(), scratchPath(), desktopFolder()})
        QDir().mkpath(folder);
    QFile::setPermissions(runtimePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return writeFile(QStringLiteral("owner"),
                     QByteArray::number(QCoreApplication::applicationPid())) &&
           writeFile(QStringLiteral("home/.config/user-dirs.dirs"),
                     "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n") &&
           writeFile(QStringLiteral("home/Desktop/notes.txt"), "notes\n") &&
           writeFile(QStringLiteral("home/Desktop/report.pdf"), "%PDF-1.4\n") &&
           writeFile(QStringLiteral("home/Desktop/holiday.png"), "not really\n");
}

void SessionHome::pointEnvironmentHere()
{
    const QString home = homePath();
    setEnvironment("HOME", QFile::encodeName(home));
    setEnvironment("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    setEnvironment("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    setEnvironment("XDG_CACHE_HOME", QFile::encodeName(home + QStringLiteral("/.cache")));
    setEnvironment("XDG_STATE_HOME", QFile::encodeName(home + QStringLiteral("/.local/state")));
    setEnvironment("XDG_RUNTIME_DIR", QFile::encodeName(runtimePath()));
    // Nothing of the user's desktop: no display of theirs, no theme of a particular desktop, no
    // session bus of theirs, no accessibility bus or virtual file systems spawned behind our back.
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP",
          "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY",
          "QT_QPA_PLATFORMTHEME", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
          "HYPRLAND_INSTANCE_SIGNATURE"})
        setEnvironment(name, std::nullopt);
    setEnvironment("NO_AT_BRIDGE", QByteArrayLiteral("1"));
    setEnvironment("GIO_USE_VFS", QByteArrayLiteral("local"));
    setEnvironment("GIO_USE_VOLUME_MONITOR", QByteArrayLiteral("unix"));
}

bool SessionHome::startBus(ChildProcesses& children)
{
    const QString bus = runtimePath() + QStringLiteral("/bus");
    if (!children.start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"),
                         QStringLiteral("--nopidfile"),
                         QStringLiteral("--address=unix:path=") + bus},
                        logFile(QStringLiteral("dbus"))) ||
        !waitFor([&] { return QFileInfo::exists(bus); }))
        return false;
    setEnvironment("DBUS_SESSION_BUS_ADDRESS",
                   QFile::encodeName(QStringLiteral("unix:path=") + bus));
    return true;
}

void SessionHome::setEnvironment(const char* name, const std::optional<QByteArray>& value)
{
    m_savedEnvironment.append({QByteArray(name), qEnvironmentVariableIsSet(name)
                                                     ? std::optional(qgetenv(name))
                                                     : std::nullopt});
    if (value)
        qputenv(name, *value);
    else
        qunsetenv(name);
}

QString SessionHome::logFile(const QString& name) const
{
    return path() + QStringLiteral("/logs/") + name + QStringLiteral(".log");
}

QByteArray SessionHome::logTail(const QString& name) const
{
    QFile file(logFile(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().right(1500) : QByteArray();
}

} // namespace tavlin
