#pragma once

#include <QByteArray>

namespace tavlin::UserFolders {

// The user's Desktop folder as the desktop's user-dirs configuration names it; empty when unknown.
QByteArray desktop();

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not an absolute path.
QByteArray configHome();

// Where this program keeps its per-user settings file.
QByteArray settingsFile();

// $XDG_STATE_HOME/tavlin (~/.local/state/tavlin by default): the tidy's move logs and its lock.
QByteArray stateFolder();

// The user's home folder.
QByteArray home();

} // namespace tavlin::UserFolders
