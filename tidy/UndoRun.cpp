#include "tidy/UndoRun.h"

#include "tidy/ArchivePaths.h"
#include "tidy/FileName.h"
#include "tidy/RecordScope.h"
#include "tidy/TidyKeys.h"

#include <algorithm>
#include <map>

namespace tavlin::UndoRun {

namespace {

struct Plan
{
    size_t index;
    const JournalRecord* record;
    MoveRecord resolved; // the real paths
};

// What stands at a place where a folder was expected.
enum class Found { Folder, Absent, NotAFolder, Unknown };

class MoveBack
{
public:
    MoveBack(FileSystem& fileSystem, const QByteArray& desktop, AppendFile* log)
        : m_fileSystem(fileSystem), m_desktop(fileSystem.openFolder(desktop)), m_log(log)
    {
    }

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
        const QByteArray folderPath = FileName::parent(plan.resolved.to);
        const QByteArray name = FileName::lastComponent(plan.resolved.to);
        const QByteArray home = FileName::lastComponent(plan.resolved.from);
        Found found = Found::Unknown;
        if (const FolderHandle* folder = m_desktop ? categoryFolder(folderPath, found) : nullptr) {
            MoveResult result = m_fileSystem.moveBetween(*folder, name, *m_desktop, home);
            if (result == MoveResult::TargetExists)
                result = m_fileSystem.moveBetween(*folder, name, *m_desktop,
                                                  freeName(m_fileSystem, *m_desktop, home));
            if (result == MoveResult::Moved) {
                ++outcome.restored;
                return;
            }
            found = m_fileSystem.existence(*folder, name) == Existence::Absent ? Found::Absent
                                                                               : Found::Unknown;
        }
        const JournalRecord& record = *plan.record;
        switch (found) {
        case Found::Absent:
            // Gone from the archive, unless the tidy never moved it or an undo that was
            // stopped already brought it back.
            if (record.settled &&
                !(record.movedBackTo &&
                  m_fileSystem.existence(*record.movedBackTo) == Existence::Exists))
                ++outcome.missing;
            break;
        case Found::NotAFolder:
            // A link or a file where its folder was: that is no longer this Desktop's archive.
            ++outcome.refused;
            break;
        case Found::Folder:
        case Found::Unknown:
            // Refused, or not known to be gone: kept, so a later undo can try again.
            m_failed.emplace_back(plan.index, *record.move);
            break;
        }
    }

    // The category folder at `path` (the Desktop's archive/month/category), opened from the
    // Desktop down without following a link; nullptr, and what stands in the way, when it cannot
    // be.
    const FolderHandle* categoryFolder(const QByteArray& path, Found& found)
    {
        if (const auto known = m_folders.find(path); known != m_folders.end())
            return known->second.get();
        const QByteArray month = FileName::parent(path);
        std::unique_ptr<FolderHandle> root = open(*m_desktop, TidyKeys::archiveFolderName, found);
        std::unique_ptr<FolderHandle> monthFolder =
            root ? open(*root, FileName::lastComponent(month), found) : nullptr;
        std::unique_ptr<FolderHandle> folder =
            monthFolder ? open(*monthFolder, FileName::lastComponent(path), found) : nullptr;
        if (!folder)
            return nullptr;
        return m_folders.emplace(path, std::move(folder)).first->second.get();
    }

    std::unique_ptr<FolderHandle> open(const FolderHandle& parent, const QByteArray& name,
                                       Found& found)
    {
        std::unique_ptr<FolderHandle> folder = m_fileSystem.openFolder(parent, name);
        if (folder) {
            found = Found::Folder;
        } else if (const std::optional<ItemStat> stat = m_fileSystem.stat(parent, name)) {
            found = stat->kind == ItemKind::Directory ? Found::Unknown : Found::NotAFolder;
        } else {
            found = m_fileSystem.existence(parent, name) == Existence::Absent ? Found::Absent
                                                                              : Found::Unknown;
        }
        return folder;
    }

    FileSystem& m_fileSystem;
    const std::unique_ptr<FolderHandle> m_desktop;
    AppendFile* m_log;
    std::map<QByteArray, std::unique_ptr<FolderHandle>> m_folders; // by path: a dozen at most
    std::vector<Plan> m_plans;
    std::vector<std::pair<size_t, MoveRecord>> m_failed;
};

} // namespace

UndoOutcome moveBack(FileSystem& fileSystem, const QByteArray& desktop,
                     const std::vector<JournalRecord>& records, AppendFile* log)
{
    RecordScope scope(fileSystem, desktop);
    MoveBack run(fileSystem, desktop, log);
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

// The names in a real folder, opened from its parent; nothing for a link to a folder, whose
// contents live elsewhere and are not the archive's to sweep.
std::vector<QByteArray> namesIn(const FileSystem& fileSystem, const FolderHandle* folder)
{
    if (!folder)
        return {};
    return fileSystem.listNames(*folder).value_or(std::vector<QByteArray>{});
}

} // namespace

void removeEmptyArchiveFolders(FileSystem& fileSystem, const QByteArray& desktop)
{
    const std::unique_ptr<FolderHandle> top = fileSystem.openFolder(desktop);
    if (!top)
        return;
    const QByteArray rootName(TidyKeys::archiveFolderName);
    if (const std::unique_ptr<FolderHandle> root = fileSystem.openFolder(*top, rootName)) {
        for (const QByteArray& month : namesIn(fileSystem, root.get())) {
            const std::unique_ptr<FolderHandle> monthFolder = fileSystem.openFolder(*root, month);
            for (const QByteArray& category : namesIn(fileSystem, monthFolder.get()))
                removeIfEmpty(fileSystem, *monthFolder, category);
            removeIfEmpty(fileSystem, *root, month);
        }
    }
    removeIfEmpty(fileSystem, *top, rootName);
}

void removeIfEmpty(FileSystem& fileSystem, const FolderHandle& parent, const QByteArray& name)
{
    // Only real folders: a link to a folder elsewhere is never swept.
    const std::unique_ptr<FolderHandle> folder = fileSystem.openFolder(parent, name);
    if (!folder)
        return;
    const std::optional<std::vector<QByteArray>> names = fileSystem.listNames(*folder);
    if (!names || names->size() > 1)
        return;
    if (names->size() == 1) {
        // A ".DS_Store" only counts as nothing when it is the metadata file it claims to be: a
        // folder of that name may hold the user's files.
        const QByteArray metadata(".DS_Store");
        const std::optional<ItemStat> entry = fileSystem.stat(*folder, metadata);
        if (names->front() != metadata || !entry || entry->kind != ItemKind::File ||
            !fileSystem.removeFile(*folder, metadata))
            return;
    }
    // Never a recursive delete: rmdir refuses a folder that something arrived in meanwhile.
    fileSystem.removeEmptyFolder(parent, name);
}

} // namespace tavlin::UndoRun
