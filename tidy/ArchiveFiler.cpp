#include "tidy/ArchiveFiler.h"

#include "tidy/ArchivePaths.h"
#include "tidy/Classifier.h"
#include "tidy/FileName.h"
#include "tidy/MoveJournal.h"
#include "tidy/TidyKeys.h"

#include <algorithm>

namespace tavlin {

ArchiveFiler::ArchiveFiler(FileSystem& fileSystem, const ContentTypes& contentTypes)
    : m_fileSystem(fileSystem), m_contentTypes(contentTypes)
{
}

QString ArchiveFiler::categoryOf(const TidyCandidate& candidate) const
{
    ItemStat stat;
    stat.kind = candidate.values.kind;
    stat.modified = candidate.values.modified;
    stat.changed = candidate.values.added;
    return categoryFor(candidate.name, candidate.values,
                       m_contentTypes.groupsOf(candidate.path, stat));
}

FilingOutcome ArchiveFiler::fileAll(const std::vector<TidyCandidate>& candidates,
                                    const QByteArray& desktop, const QByteArray& month,
                                    AppendFile& log)
{
    FilingOutcome outcome;
    m_desktop = m_fileSystem.openFolder(desktop);
    if (!m_desktop) {
        outcome.notFiled = int(candidates.size());
        return outcome;
    }
    std::vector<const TidyCandidate*> queue;
    for (const TidyCandidate& candidate : candidates)
        queue.push_back(&candidate);
    size_t next = 0;
    size_t batchSize = firstBatch;
    while (next < queue.size()) {
        std::vector<Plan> plans;
        const size_t end = std::min(queue.size(), next + batchSize);
        for (; next < end; ++next) {
            const TidyCandidate& candidate = *queue[next];
            Category* folder = category(month, categoryOf(candidate).toUtf8());
            if (!folder) {
                ++outcome.notFiled;
                continue;
            }
            plans.push_back({&candidate, folder->folder.get(), freeName(*folder, candidate.name)});
        }
        // An item whose planned name was taken meanwhile goes again, once, with a new plan.
        std::vector<const TidyCandidate*> retry;
        if (!fileBatch(plans, log, outcome, retry)) {
            outcome.notFiled += int(plans.size() + queue.size() - next);
            outcome.logFailed = true;
            break;
        }
        outcome.notFiled -= int(retry.size());
        queue.insert(queue.end(), retry.begin(), retry.end());
        batchSize = std::min<size_t>(batchSize * 2, maxBatch);
    }
    clear();
    return outcome;
}

void ArchiveFiler::clear()
{
    m_categories.clear();
    m_month.reset();
    m_root.reset();
    m_desktop.reset();
    m_retried.clear();
    m_logged = 0;
}

bool ArchiveFiler::fileBatch(std::vector<Plan>& plans, AppendFile& log, FilingOutcome& outcome,
                             std::vector<const TidyCandidate*>& retry)
{
    if (plans.empty())
        return true;
    // Written and synced before any of these moves: whatever stops the run, an undo finds them.
    QByteArray intents;
    for (const Plan& plan : plans)
        intents += MoveJournal::moveLine(
            {plan.candidate->path, FileName::join(plan.folder->path(), plan.name)});
    if (!log.append(intents) || !log.sync())
        return false;
    const qsizetype first = m_logged;
    m_logged += qsizetype(plans.size());
    QByteArray results;
    for (size_t i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        const MoveResult result =
            m_fileSystem.moveBetween(*m_desktop, plan.candidate->name, *plan.folder, plan.name);
        if (result == MoveResult::Moved) {
            outcome.moves.push_back(
                {plan.candidate->path, FileName::join(plan.folder->path(), plan.name)});
            continue;
        }
        results += MoveJournal::failedLine(first + qsizetype(i));
        ++outcome.notFiled;
        if (result == MoveResult::TargetExists && !m_retried.contains(plan.candidate)) {
            m_retried.insert(plan.candidate);
            retry.push_back(plan.candidate);
        }
    }
    plans.clear();
    return log.append(results + MoveJournal::doneLine(m_logged));
}

QByteArray ArchiveFiler::freeName(Category& category, const QByteArray& name)
{
    std::optional<QSet<QByteArray>>& taken = category.taken;
    // One listing of the folder and this run's own plans say which names are taken; the
    // no-replace move still refuses a name that something else took since.
    const QByteArray free = uniqueName(name, [&](const QByteArray& candidate) {
        return taken ? taken->contains(candidate)
                     : m_fileSystem.stat(*category.folder, candidate).has_value();
    });
    if (taken)
        taken->insert(free);
    return free;
}

std::unique_ptr<FolderHandle> ArchiveFiler::madeFolder(const FolderHandle& parent,
                                                       const QByteArray& name)
{
    return m_fileSystem.makeFolder(parent, name) ? m_fileSystem.openFolder(parent, name) : nullptr;
}

ArchiveFiler::Category* ArchiveFiler::category(const QByteArray& month, const QByteArray& name)
{
    if (const auto known = m_categories.find(name); known != m_categories.end())
        return &known->second;
    // A folder that cannot be made is tried again for the next item, as the system may relent.
    if (!m_root)
        m_root = madeFolder(*m_desktop, TidyKeys::archiveFolderName);
    if (m_root && !m_month)
        m_month = madeFolder(*m_root, month);
    std::unique_ptr<FolderHandle> folder = m_month ? madeFolder(*m_month, name) : nullptr;
    if (!folder)
        return nullptr;
    Category made{std::move(folder), std::nullopt};
    if (const auto listed = m_fileSystem.listNames(*made.folder))
        made.taken = QSet<QByteArray>(listed->begin(), listed->end());
    return &m_categories.emplace(name, std::move(made)).first->second;
}

} // namespace tavlin
