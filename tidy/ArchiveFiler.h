#pragma once

#include "platform/ContentTypes.h"
#include "platform/FileSystem.h"
#include "platform/StateFolder.h"
#include "tidy/MoveLog.h"
#include "tidy/TidyCandidate.h"

#include <QSet>
#include <map>
#include <memory>
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

    // Files every candidate of `desktop` (absolute, links resolved) in order under its archive's
    // `month` folder, logging to `log`, whose header is written. An item whose folder cannot be
    // made or whose move fails stays where it is.
    FilingOutcome fileAll(const std::vector<TidyCandidate>& candidates, const QByteArray& desktop,
                          const QByteArray& month, AppendFile& log);

private:
    // A category folder, held open from the Desktop down, so that no folder on the way can be
    // swapped for a link to elsewhere between its making and the moves into it.
    struct Category
    {
        std::unique_ptr<FolderHandle> folder;
        // The names in it, listed once, plus those this run has planned. nullopt: it could not
        // be listed, so each name is looked up.
        std::optional<QSet<QByteArray>> taken;
    };
    struct Plan
    {
        const TidyCandidate* candidate;
        const FolderHandle* folder;
        QByteArray name;
    };

    Category* category(const QByteArray& month, const QByteArray& name);
    std::unique_ptr<FolderHandle> madeFolder(const FolderHandle& parent, const QByteArray& name);
    QByteArray freeName(Category& category, const QByteArray& name);
    bool fileBatch(std::vector<Plan>& plans, AppendFile& log, FilingOutcome& outcome,
                   std::vector<const TidyCandidate*>& retry);
    void clear();

    FileSystem& m_fileSystem;
    const ContentTypes& m_contentTypes;
    std::unique_ptr<FolderHandle> m_desktop;
    std::unique_ptr<FolderHandle> m_root;
    std::unique_ptr<FolderHandle> m_month;
    std::map<QByteArray, Category> m_categories;
    QSet<const TidyCandidate*> m_retried;
    qsizetype m_logged = 0; // records written to the log so far
};

} // namespace tavlin
