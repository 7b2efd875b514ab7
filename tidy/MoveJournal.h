#pragma once

#include "tidy/MoveLog.h"

#include <QByteArray>
#include <optional>
#include <vector>

namespace tavlin {

// One record of a move log as an undo sees it.
struct JournalRecord
{
    std::optional<MoveRecord> move;        // nullopt: a line that could not be read; undo drops it
    bool settled = false;                  // the tidy finished its batch: the item did move
    bool failed = false;                   // the tidy could not move it: the item never left
    std::optional<QByteArray> movedBackTo; // an undo had begun moving it back there
};

struct Journal
{
    QByteArray desktop;
    std::vector<JournalRecord> records;
};

// The move log of one Desktop folder: lines of text, written ahead of the moves they record,
// so that whatever stops a tidy or an undo, the next undo finds every item. A run writes the
// intended moves of a batch, syncs them, moves, then says which failed and that the batch is
// done. A record of a batch that never got its "done" is uncertain: its item moved only if
// it is at its archive path. Paths are written as StoredPath::encodeLine() writes them.
namespace MoveJournal {

QByteArray header(const QByteArray& desktop);
QByteArray moveLine(const MoveRecord& record);
// The first `count` records are settled.
QByteArray doneLine(qsizetype count);
QByteArray failedLine(qsizetype index);
QByteArray backLine(qsizetype index, const QByteArray& dest);

// nullopt when the text is not a move log. A last line cut short by a crash is left out.
std::optional<Journal> parse(const QByteArray& data);

// A whole log of settled records.
QByteArray compact(const QByteArray& desktop, const std::vector<MoveRecord>& records);

// The file names of a folder's log and of a tidy's log while it runs.
QByteArray logName(const QByteArray& desktop);
QByteArray runningName(const QByteArray& desktop);

} // namespace MoveJournal
} // namespace tavlin
