#pragma once

#include <QStringView>

namespace tavlin {

// Who draws the tray's menu: this program, as a QMenu beside an XEmbed tray icon, or the tray
// host, from the menu Qt exports over D-Bus (dbusmenu) beside a StatusNotifierItem.
enum class MenuPath { Drawn, Exported };

namespace TrayPath {

// Whether the tray icon may be made now. Qt picks a StatusNotifierItem or XEmbed once per
// process, when it first looks for a tray; where there is no XEmbed (Wayland), an icon made
// before a StatusNotifierItem host runs would never show.
bool canStart(QStringView platformName, bool statusNotifierHost);

} // namespace TrayPath

} // namespace tavlin
