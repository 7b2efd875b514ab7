#pragma once

#include <QByteArray>

namespace tavlin::UserFolders {

// The user's Desktop folder as the desktop's user-dirs configuration names it; empty when unknown.
QByteArray desktop();

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not an absolute path.
QByteArray configHome();

// Where this program keeps its per-user settings file.
QByteArray settingsFile();

} // namespace tavlin::UserFolders
