#pragma once

#include "platform/ContentTypes.h"
#include "platform/FileSystem.h"
#include "platform/StateFolder.h"
#include "tidy/MoveLog.h"
#include "tidy/TidyCandidate.h"

#include <QHash>
#include <QSet>
#include <optional>
#include <vector>

namespace tavlin {

struct FilingOutcome
{
    std::vector<MoveRecord> moves; // in the order they happened
    int notFiled = 0;              // left on the Desktop
    bool logFailed = false;        // the log could not be written: filing stopped there
};

// Moves Desktop items into archive/month/category folders, never replacing anything, each
// move written to the log and synced before it happens.
class ArchiveFiler
{
public:
    // The first batch of moves; each next one is twice as large, up to maxBatch. Each batch
    // costs one sync of the log.
    static constexpr int firstBatch = 1024;
    static constexpr int maxBatch = 8192;

    ArchiveFiler(FileSystem& fileSystem, const ContentTypes& contentTypes);

    QString categoryOf(const TidyCandidate& candidate) const;

    // Files every candidate in order under `archiveRoot`/`month`, logging to `log`, whose header
    // is written. An item whose folder cannot be made or whose move fails stays where it is.
    FilingOutcome fileAll(const std::vector<TidyCandidate>& candidates,
                          const QByteArray& archiveRoot, const QByteArray& month, AppendFile& log);

private:
    struct Plan
    {
        const TidyCandidate* candidate;
        QByteArray dest;
    };

    bool makeFolders(const QByteArray& archiveRoot, const QByteArray& month,
                     const QByteArray& category);
    QByteArray freeDestination(const QByteArray& folder, const QByteArray& name);
    bool fileBatch(std::vector<Plan>& plans, AppendFile& log, FilingOutcome& outcome,
                   std::vector<const TidyCandidate*>& retry);

    FileSystem& m_fileSystem;
    const ContentTypes& m_contentTypes;
    QSet<QByteArray> m_madeFolders; // category folders known to exist during this run
    // The names in each category folder, listed once, plus those this run has planned.
    // nullopt: the folder could not be listed, so each name is looked up.
    QHash<QByteArray, std::optional<QSet<QByteArray>>> m_taken;
    QSet<const TidyCandidate*> m_retried;
    qsizetype m_logged = 0; // records written to the log so far
};

} // namespace tavlin
