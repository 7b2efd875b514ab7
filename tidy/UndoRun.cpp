#include "tidy/UndoRun.h"

#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"
#include "tidy/RecordScope.h"

#include <algorithm>

namespace tavlin::UndoRun {

namespace {

struct Plan
{
    size_t index;
    const JournalRecord* record;
    MoveRecord resolved; // the real paths
};

class MoveBack
{
public:
    MoveBack(FileSystem& fileSystem, AppendFile* log) : m_fileSystem(fileSystem), m_log(log) {}

    void plan(size_t index, const JournalRecord& record, const MoveRecord& resolved)
    {
        m_plans.push_back({index, &record, resolved});
        if (m_plans.size() >= size_t(batchSize))
            flush();
    }

    void flush()
    {
        if (m_log) {
            QByteArray lines;
            for (const Plan& plan : m_plans)
                lines += MoveJournal::backLine(qsizetype(plan.index), plan.resolved.from);
            // Only the count after a crash depends on these lines, never an item, so they are not
            // worth a sync: written, they outlive the process.
            if (!m_log->append(lines))
                m_log = nullptr;
        }
        for (const Plan& plan : m_plans)
            moveBack(plan);
        m_plans.clear();
    }

    void finish()
    {
        flush();
        std::sort(m_failed.begin(), m_failed.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [index, record] : m_failed)
            outcome.failed.push_back(std::move(record));
    }

    UndoOutcome outcome;

private:
    // Straight back to the former place; if something took it meanwhile, to the next free name
    // beside it. The move refuses to replace anything, so a race cannot lose an item, and most
    // items need no lookup at all.
    void moveBack(const Plan& plan)
    {
        const MoveRecord& paths = plan.resolved;
        MoveResult result = m_fileSystem.move(paths.to, paths.from);
        if (result == MoveResult::TargetExists)
            result = m_fileSystem.move(paths.to,
                                       uniqueDestination(m_fileSystem, FileName::parent(paths.from),
                                                         FileName::lastComponent(paths.from)));
        if (result == MoveResult::Moved) {
            ++outcome.restored;
            return;
        }
        const JournalRecord& record = *plan.record;
        switch (m_fileSystem.existence(paths.to)) {
        case Existence::Absent:
            // Gone from the archive, unless the tidy never moved it or an undo that was
            // stopped already brought it back.
            if (record.settled &&
                !(record.movedBackTo &&
                  m_fileSystem.existence(*record.movedBackTo) == Existence::Exists))
                ++outcome.missing;
            break;
        case Existence::Exists:
        case Existence::Unknown:
            // Refused, or not known to be gone: kept, so a later undo can try again.
            m_failed.emplace_back(plan.index, *record.move);
            break;
        }
    }

    FileSystem& m_fileSystem;
    AppendFile* m_log;
    std::vector<Plan> m_plans;
    std::vector<std::pair<size_t, MoveRecord>> m_failed;
};

} // namespace

UndoOutcome moveBack(FileSystem& fileSystem, const QByteArray& desktop,
                     const std::vector<JournalRecord>& records, AppendFile* log)
{
    RecordScope scope(fileSystem, desktop);
    MoveBack run(fileSystem, log);
    for (size_t i = 0; i < records.size(); ++i) {
        const JournalRecord& record = records[i];
        // Malformed, or never moved: nothing to bring back.
        if (!record.move || record.failed)
            continue;
        if (const std::optional<MoveRecord> resolved = scope.resolve(*record.move))
            run.plan(i, record, *resolved);
        else
            ++run.outcome.refused;
    }
    run.finish();
    return run.outcome;
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
    if (!names || names->size() > 1)
        return;
    if (names->size() == 1) {
        // A ".DS_Store" only counts as nothing when it is the metadata file it claims to be: a
        // folder of that name may hold the user's files.
        const QByteArray metadata = FileName::join(folder, ".DS_Store");
        const std::optional<ItemStat> entry = fileSystem.stat(metadata);
        if (names->front() != ".DS_Store" || !entry || entry->kind != ItemKind::File ||
            !fileSystem.removeFile(metadata))
            return;
    }
    // Never a recursive delete: rmdir refuses a folder that something arrived in meanwhile.
    fileSystem.removeEmptyFolder(folder);
}

} // namespace tavlin::UndoRun
