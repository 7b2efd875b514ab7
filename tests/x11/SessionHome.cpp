#include "tests/x11/SessionHome.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tavlin {

namespace {

// No key bindings at all: the defaults would take Super and the like from the tests. Clicks
// focus and raise as usual (a plain press on the frame context would swallow clicks meant for
// what panels embed, as in openbox's own defaults the frame wants Alt); no pop-up when switching
// desktops, so screenshots stay clean.
constexpr char openboxRc[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <theme><name>Clearlooks</name><animateIconify>no</animateIconify></theme>
  <desktops><number>4</number><firstdesk>1</firstdesk><popupTime>0</popupTime></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <keyboard></keyboard>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
    <context name="Frame">
      <mousebind button="A-Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

// Nothing animated and nothing drawn around windows: what it paints is exactly the windows.
constexpr char picomRc[] = R"(backend = "xrender";
fading = false;
no-fading-openclose = true;
shadow = false;
vsync = false;
unredir-if-possible = false;
detect-client-opacity = true;
inactive-opacity = 1.0;
active-opacity = 1.0;
frame-opacity = 1.0;
inactive-dim = 0.0;
)";

constexpr char pcmanfmRc[] = R"([config]
bm_open_method=0

[volume]
mount_on_startup=0
mount_removable=0
autorun=0
)";

// One panel along the bottom edge holding nothing but the status tray, which shows
// StatusNotifierItems (and XEmbed icons) and brings a StatusNotifierWatcher along.
constexpr char xfcePanelRc[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=10;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

// A plain colour and light labels, for each of the two monitors (pcmanfm keeps one file each).
QByteArray desktopItemsConfig()
{
    return QByteArrayLiteral("[*]\nwallpaper_mode=color\ndesktop_bg=") +
           QColor(SessionHome::desktopColor).name().toLatin1() +
           QByteArrayLiteral("\ndesktop_fg=#ffffff\ndesktop_shadow=#000000\nshow_wm_menu=0\n"
                             "show_documents=0\nshow_trash=0\nshow_mounts=0\n");
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

SessionHome::SessionHome() : m_dir(QDir::temp().filePath(QStringLiteral("tavlin-x11-XXXXXX")))
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

void SessionHome::removeAbandoned()
{
    // A killed test leaves its folder behind; a later one clears it once its owner is gone.
    const QDir temp = QDir::temp();
    for (const QString& name :
         temp.entryList({QStringLiteral("tavlin-x11-*")}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile owner(temp.filePath(name) + QStringLiteral("/owner"));
        if (!owner.open(QIODevice::ReadOnly))
            continue;
        const QByteArray pid = owner.readAll().trimmed();
        if (!pid.isEmpty() &&
            !QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)))
            QDir(temp.filePath(name)).removeRecursively();
    }
}

bool SessionHome::writeFiles()
{
    const QString config = homePath() + QStringLiteral("/.config");
    for (const QString& folder :
         {path() + QStringLiteral("/logs"), runtimePath(), scratchPath(), desktopFolder()})
        QDir().mkpath(folder);
    QFile::setPermissions(runtimePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return writeFile(path() + QStringLiteral("/owner"),
                     QByteArray::number(QCoreApplication::applicationPid())) &&
           writeFile(openboxConfig(), openboxRc) && writeFile(picomConfig(), picomRc) &&
           writeFile(config + QStringLiteral("/pcmanfm/default/pcmanfm.conf"), pcmanfmRc) &&
           writeFile(config + QStringLiteral("/pcmanfm/default/desktop-items-0.conf"),
                     desktopItemsConfig()) &&
           writeFile(config + QStringLiteral("/pcmanfm/default/desktop-items-1.conf"),
                     desktopItemsConfig()) &&
           writeFile(config + QStringLiteral("/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"),
                     xfcePanelRc) &&
           writeFile(config + QStringLiteral("/user-dirs.dirs"),
                     "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n") &&
           writeFile(desktopFolder() + QStringLiteral("/notes.txt"), "notes\n") &&
           writeFile(desktopFolder() + QStringLiteral("/report.pdf"), "%PDF-1.4\n") &&
           writeFile(desktopFolder() + QStringLiteral("/holiday.png"), "not really\n");
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
    setEnvironment("XDG_SESSION_TYPE", QByteArrayLiteral("x11"));
    // Nothing of the user's desktop: no Wayland, no theme of a particular desktop, no session bus
    // of theirs, no accessibility bus or virtual file systems spawned behind our back.
    for (const char* name : {"WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
                             "DESKTOP_SESSION", "DBUS_SESSION_BUS_ADDRESS", "XAUTHORITY",
                             "QT_QPA_PLATFORMTHEME", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS"})
        setEnvironment(name, std::nullopt);
    setEnvironment("NO_AT_BRIDGE", QByteArrayLiteral("1"));
    setEnvironment("GIO_USE_VFS", QByteArrayLiteral("local"));
    setEnvironment("GIO_USE_VOLUME_MONITOR", QByteArrayLiteral("unix"));
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
