#pragma once

#include "platform/FileSystem.h"
#include "tidy/MoveLog.h"

#include <optional>
#include <vector>

namespace tavlin {

struct UndoOutcome
{
    int restored = 0;
    int missing = 0;                // archive item gone
    std::vector<MoveRecord> failed; // the system refused the move back; kept for a retry
};

// Moving logged items back from the archive, and sweeping the folders that leaves empty.
namespace UndoRun {

// Moves each record's archive item back to its former place, or beside whatever now occupies
// that place. Malformed records (nullopt) are dropped without being counted.
UndoOutcome moveBack(FileSystem& fileSystem, const std::vector<std::optional<MoveRecord>>& records);

// Removes empty category folders, then empty month folders, then the root itself. A folder
// holding nothing but ".DS_Store" entries counts as empty.
void removeEmptyArchiveFolders(FileSystem& fileSystem, const QByteArray& archiveRoot);

void removeIfEmpty(FileSystem& fileSystem, const QByteArray& folder);

} // namespace UndoRun
} // namespace tavlin
