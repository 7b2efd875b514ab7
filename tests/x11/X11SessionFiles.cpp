#include "tests/x11/X11SessionFiles.h"

#include "tests/session/SessionHome.h"

#include <QColor>

namespace tavlin::X11SessionFiles {

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

// A plain colour and light labels, for each of the two monitors (pcmanfm keeps one file each).
QByteArray desktopItemsConfig()
{
    return QByteArrayLiteral("[*]\nwallpaper_mode=color\ndesktop_bg=") +
           QColor(desktopColor).name().toLatin1() +
           QByteArrayLiteral("\ndesktop_fg=#ffffff\ndesktop_shadow=#000000\nshow_wm_menu=0\n"
                             "show_documents=0\nshow_trash=0\nshow_mounts=0\n");
}

} // namespace

bool write(const SessionHome& home)
{
    const QString pcmanfm = QStringLiteral("home/.config/pcmanfm/default/");
    return home.writeFile(QStringLiteral("openbox.xml"), openboxRc) &&
           home.writeFile(QStringLiteral("picom.conf"), picomRc) &&
           home.writeFile(pcmanfm + QStringLiteral("pcmanfm.conf"), pcmanfmRc) &&
           home.writeFile(pcmanfm + QStringLiteral("desktop-items-0.conf"), desktopItemsConfig()) &&
           home.writeFile(pcmanfm + QStringLiteral("desktop-items-1.conf"), desktopItemsConfig());
}

} // namespace tavlin::X11SessionFiles
