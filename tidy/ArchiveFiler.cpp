#include "tidy/ArchiveFiler.h"

#include "tidy/ArchivePaths.h"
#include "tidy/Classifier.h"
#include "tidy/FileName.h"
#include "tidy/MoveJournal.h"

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
                                    const QByteArray& archiveRoot, const QByteArray& month,
                                    AppendFile& log)
{
    FilingOutcome outcome;
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
            const QByteArray category = categoryOf(candidate).toUtf8();
            if (!makeFolders(archiveRoot, month, category)) {
                ++outcome.notFiled;
                continue;
            }
            const QByteArray folder = FileName::join(FileName::join(archiveRoot, month), category);
            plans.push_back({&candidate, freeDestination(folder, candidate.name)});
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
    m_madeFolders.clear();
    m_taken.clear();
    m_retried.clear();
    m_logged = 0;
    return outcome;
}

bool ArchiveFiler::fileBatch(std::vector<Plan>& plans, AppendFile& log, FilingOutcome& outcome,
                             std::vector<const TidyCandidate*>& retry)
{
    if (plans.empty())
        return true;
    // Written and synced before any of these moves: whatever stops the run, an undo finds them.
    QByteArray intents;
    for (const Plan& plan : plans)
        intents += MoveJournal::moveLine({plan.candidate->path, plan.dest});
    if (!log.append(intents) || !log.sync())
        return false;
    const qsizetype first = m_logged;
    m_logged += qsizetype(plans.size());
    QByteArray results;
    for (size_t i = 0; i < plans.size(); ++i) {
        const Plan& plan = plans[i];
        const MoveResult result = m_fileSystem.move(plan.candidate->path, plan.dest);
        if (result == MoveResult::Moved) {
            outcome.moves.push_back({plan.candidate->path, plan.dest});
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

QByteArray ArchiveFiler::freeDestination(const QByteArray& folder, const QByteArray& name)
{
    auto known = m_taken.find(folder);
    if (known == m_taken.end()) {
        std::optional<QSet<QByteArray>> names;
        if (const auto listed = m_fileSystem.listNames(folder))
            names = QSet<QByteArray>(listed->begin(), listed->end());
        known = m_taken.insert(folder, names);
    }
    std::optional<QSet<QByteArray>>& taken = *known;
    // One listing of the folder and this run's own plans say which names are taken; the
    // no-replace move still refuses a name that something else took since.
    const QByteArray free = uniqueName(name, [&](const QByteArray& candidate) {
        return taken ? taken->contains(candidate)
                     : itemExists(m_fileSystem, FileName::join(folder, candidate));
    });
    if (taken)
        taken->insert(free);
    return FileName::join(folder, free);
}

bool ArchiveFiler::makeFolders(const QByteArray& archiveRoot, const QByteArray& month,
                               const QByteArray& category)
{
    const QByteArray monthFolder = FileName::join(archiveRoot, month);
    const QByteArray categoryFolder = FileName::join(monthFolder, category);
    if (m_madeFolders.contains(categoryFolder))
        return true;
    const bool made = m_fileSystem.makeDirectory(archiveRoot) &&
                      m_fileSystem.makeDirectory(monthFolder) &&
                      m_fileSystem.makeDirectory(categoryFolder);
    if (made)
        m_madeFolders.insert(categoryFolder);
    return made;
}

} // namespace tavlin
