#pragma once

#include "app/TrayPath.h"

#include <QSet>
#include <QString>
#include <array>
#include <optional>

// The menu's computed titles and enabled rules, kept apart from the widgets so they can be
// checked row by row.
namespace tavlin::MenuTitles {

// "Tidy Desktop…" while the count is unknown, so that choosing it can ask for the folder.
QString tidyTitle(std::optional<int> pendingCount);
// Disabled only when the count is known to be zero.
bool tidyEnabled(std::optional<int> pendingCount);

QString undoTitle(int undoCount);
bool undoEnabled(int undoCount);

// An application's row; "Unknown" when it has no name.
QString appName(const QString& name);

// The line above the application rows.
QString spotlightAppsHeader(const QSet<QString>& pinnedApps);

struct OlderThanOption
{
    QString title;
    qint64 days;
};
const std::array<OlderThanOption, 5>& olderThanOptions();

// A text shown exactly as given. A drawn menu takes "&" for a mnemonic and a tab for the start
// of the key column; Qt's export turns the first "&" into the "_" that tray hosts take for a
// mnemonic, and passes "_" on unchanged. One case stays imperfect: a text with "&" before its
// first "_" gets a mnemonic, after which libdbusmenu-gtk hosts drop the underscores.
QString verbatim(const QString& text, MenuPath path = MenuPath::Drawn);

// A feature's switch can be used unless the session cannot show the feature; while it is on,
// it can always be switched off.
bool featureEnabled(const QString& unavailableReason, bool isOn);

} // namespace tavlin::MenuTitles
