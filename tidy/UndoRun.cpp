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
    MoveRecord logged;   // as the log has it, kept on failure
    MoveRecord resolved; // the real paths
    QByteArray dest;
};

class MoveBack
{
public:
    MoveBack(FileSystem& fileSystem, AppendFile* log) : m_fileSystem(fileSystem), m_log(log) {}

    void plan(size_t index, const MoveRecord& logged, const MoveRecord& resolved)
    {
        // Back to the former place; if something took it meanwhile, to the next free name
        // beside it. The move itself refuses to replace, so a race cannot lose anything.
        const QByteArray dest =
            m_fileSystem.existence(resolved.from) == Existence::Absent
                ? resolved.from
                : uniqueDestination(m_fileSystem, FileName::parent(resolved.from),
                                    FileName::lastComponent(resolved.from));
        m_plans.push_back({index, logged, resolved, dest});
        if (m_plans.size() >= size_t(batchSize))
            flush();
    }

    void fail(size_t index, const MoveRecord& logged) { m_failed.emplace_back(index, logged); }

    void flush()
    {
        if (m_log) {
            QByteArray lines;
            for (const Plan& plan : m_plans)
                lines += MoveJournal::backLine(qsizetype(plan.index), plan.dest);
            // Only the count after a crash depends on these lines, never an item.
            if (!m_log->append(lines) || !m_log->sync())
                m_log = nullptr;
        }
        for (const Plan& plan : m_plans) {
            MoveResult result = m_fileSystem.move(plan.resolved.to, plan.dest);
            if (result == MoveResult::TargetExists)
                result = m_fileSystem.move(
                    plan.resolved.to,
                    uniqueDestination(m_fileSystem, FileName::parent(plan.resolved.from),
                                      FileName::lastComponent(plan.resolved.from)));
            if (result == MoveResult::Moved)
                ++outcome.restored;
            else
                fail(plan.index, plan.logged);
        }
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
        const std::optional<MoveRecord> resolved = scope.resolve(*record.move);
        if (!resolved) {
            ++run.outcome.refused;
            continue;
        }
        switch (fileSystem.existence(resolved->to)) {
        case Existence::Exists:
            run.plan(i, *record.move, *resolved);
            break;
        case Existence::Unknown:
            // Not known to be gone: kept, so a later undo can try again.
            run.fail(i, *record.move);
            break;
        case Existence::Absent: {
            const bool neverLeft = !record.settled;
            const bool alreadyBack = record.movedBackTo &&
                                     fileSystem.existence(*record.movedBackTo) == Existence::Exists;
            if (!neverLeft && !alreadyBack)
                ++run.outcome.missing;
            break;
        }
        }
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
