#pragma once

#include <QByteArray>

namespace tavlin::UserFolders {

// The user's Desktop folder as the desktop's user-dirs configuration names it; empty when unknown.
QByteArray desktop();

// Where this program keeps its per-user settings file.
QByteArray settingsFile();

} // namespace tavlin::UserFolders
