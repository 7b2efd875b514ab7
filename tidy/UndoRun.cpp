#include "tidy/UndoRun.h"

#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"

#include <algorithm>

namespace tavlin::UndoRun {

UndoOutcome moveBack(FileSystem& fileSystem, const std::vector<std::optional<MoveRecord>>& records)
{
    UndoOutcome outcome;
    for (const std::optional<MoveRecord>& record : records) {
        if (!record)
            continue;
        if (!itemExists(fileSystem, record->to)) {
            ++outcome.missing;
            continue;
        }
        // Back to the former place; if something took it meanwhile, to the next free name
        // beside it. The move itself refuses to replace, so a race cannot lose anything.
        MoveResult result = fileSystem.move(record->to, record->from);
        if (result == MoveResult::TargetExists)
            result = fileSystem.move(record->to,
                                     uniqueDestination(fileSystem, FileName::parent(record->from),
                                                       FileName::lastComponent(record->from)));
        if (result == MoveResult::Moved)
            ++outcome.restored;
        else
            outcome.failed.push_back(*record);
    }
    return outcome;
}

namespace {

// The names in a real folder; nothing for a link to a folder, whose contents live elsewhere and
// are not the archive's to sweep.
std::vector<QByteArray> namesInFolder(const FileSystem& fileSystem, const QByteArray& folder)
{
    const std::optional<ItemStat> stat = fileSystem.stat(folder);
    if (!stat || stat->kind != ItemKind::Directory)
        return {};
    return fileSystem.listNames(folder).value_or(std::vector<QByteArray>{});
}

} // namespace

void removeEmptyArchiveFolders(FileSystem& fileSystem, const QByteArray& archiveRoot)
{
    for (const QByteArray& month : namesInFolder(fileSystem, archiveRoot)) {
        const QByteArray monthFolder = FileName::join(archiveRoot, month);
        const std::vector<QByteArray> categories = namesInFolder(fileSystem, monthFolder);
        for (const QByteArray& category : categories)
            removeIfEmpty(fileSystem, FileName::join(monthFolder, category));
        removeIfEmpty(fileSystem, monthFolder);
    }
    removeIfEmpty(fileSystem, archiveRoot);
}

void removeIfEmpty(FileSystem& fileSystem, const QByteArray& folder)
{
    // Only real folders: a link to a folder elsewhere is never swept.
    const std::optional<ItemStat> stat = fileSystem.stat(folder);
    if (!stat || stat->kind != ItemKind::Directory)
        return;
    const std::optional<std::vector<QByteArray>> names = fileSystem.listNames(folder);
    if (!names)
        return;
    // A ".DS_Store" only counts as nothing when it is the metadata file it claims to be: a
    // folder of that name may hold the user's files.
    const bool empty = std::all_of(names->begin(), names->end(), [&](const QByteArray& name) {
        if (name != ".DS_Store")
            return false;
        const std::optional<ItemStat> entry = fileSystem.stat(FileName::join(folder, name));
        return entry && entry->kind == ItemKind::File;
    });
    if (empty)
        fileSystem.removeTree(folder);
}

} // namespace tavlin::UndoRun
