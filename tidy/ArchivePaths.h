#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>
#include <functional>

namespace tavlin {

// True when something, even a dangling link, is at the path.
bool itemExists(const FileSystem& fileSystem, const QByteArray& path);

// `name` if it is not taken, else the first free "base N.ext" (or "base N") for N = 2, 3, …
QByteArray uniqueName(const QByteArray& name, const std::function<bool(const QByteArray&)>& taken);

// folder/name if nothing is there, else the first free "base N.ext" (or "base N") for
// N = 2, 3, …; only the last dot of the name starts the extension.
QByteArray uniqueDestination(const FileSystem& fileSystem, const QByteArray& folder,
                             const QByteArray& name);

QByteArray archiveRoot(const QByteArray& desktop);

// The month folder's name, "yyyy-MM" in local time, for a moment in seconds since the epoch.
QByteArray monthFolderName(double secondsSinceEpoch);

} // namespace tavlin
