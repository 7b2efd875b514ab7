#pragma once

#include "platform/FileSystem.h"
#include "platform/StateFolder.h"
#include "tidy/MoveJournal.h"

#include <vector>

namespace tavlin {

struct UndoOutcome
{
    int restored = 0;
    int missing = 0;                // archive item gone
    int refused = 0;                // not a move of this Desktop: nothing was touched
    std::vector<MoveRecord> failed; // the system refused the move back; kept for a retry
};

// Moving logged items back from the archive, and sweeping the folders that leaves empty.
namespace UndoRun {

// Moves back per batch of log lines.
constexpr int batchSize = 4096;

// Moves each record's archive item back to its former place in `desktop` (absolute, links
// resolved), or beside whatever now occupies that place. Records that do not belong to the
// Desktop are refused; malformed ones, items the tidy never moved and items an interrupted undo
// already brought back are dropped without being counted. Where each batch goes is added to
// `log`, when there is one, before it moves.
UndoOutcome moveBack(FileSystem& fileSystem, const QByteArray& desktop,
                     const std::vector<JournalRecord>& records, AppendFile* log);

// Removes empty category folders, then empty month folders, then the root itself. A folder
// holding nothing but a ".DS_Store" file counts as empty.
void removeEmptyArchiveFolders(FileSystem& fileSystem, const QByteArray& archiveRoot);

// Unlinks a lone ".DS_Store" file, then removes the folder only if it is empty by then: an item
// that arrives meanwhile keeps the folder, and itself.
void removeIfEmpty(FileSystem& fileSystem, const QByteArray& folder);

} // namespace UndoRun
} // namespace tavlin
