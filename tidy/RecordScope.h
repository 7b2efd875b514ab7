#pragma once

#include "platform/FileSystem.h"
#include "tidy/MoveLog.h"

#include <QHash>
#include <optional>

namespace tavlin {

// Which logged moves belong to one Desktop folder, judged on the real folders the paths lead
// to (links and ".." resolved), so a hand-edited or stale log cannot make an undo move
// anything else.
class RecordScope
{
public:
    // `desktop` is absolute with its links resolved.
    RecordScope(const FileSystem& fileSystem, QByteArray desktop);

    // The record with its folders resolved when it names an item directly in the Desktop and
    // its place in the archive; nullopt when it does not.
    std::optional<MoveRecord> resolve(const MoveRecord& record);

private:
    std::optional<QByteArray> resolvedFolder(const QByteArray& folder);

    const FileSystem& m_fileSystem;
    QByteArray m_desktop;
    QHash<QByteArray, std::optional<QByteArray>> m_folders; // few distinct folders, many records
};

} // namespace tavlin
