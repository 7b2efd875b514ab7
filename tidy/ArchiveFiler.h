#pragma once

#include "platform/ContentTypes.h"
#include "platform/FileSystem.h"
#include "tidy/MoveLog.h"
#include "tidy/TidyCandidate.h"

#include <QSet>
#include <vector>

namespace tavlin {

// Moves Desktop items into archive/month/category folders, never replacing anything.
class ArchiveFiler
{
public:
    ArchiveFiler(FileSystem& fileSystem, const ContentTypes& contentTypes);

    QString categoryOf(const TidyCandidate& candidate) const;

    // Files every candidate in order under `archiveRoot`/`month`. An item whose folder cannot be
    // made or whose move fails stays where it is and is left out of the result.
    std::vector<MoveRecord> fileAll(const std::vector<TidyCandidate>& candidates,
                                    const QByteArray& archiveRoot, const QByteArray& month);

private:
    bool makeFolders(const QByteArray& archiveRoot, const QByteArray& month,
                     const QByteArray& category);
    MoveResult moveUnique(const TidyCandidate& candidate, const QByteArray& folder,
                          QByteArray& dest);

    FileSystem& m_fileSystem;
    QSet<QByteArray> m_madeFolders; // category folders known to exist during this run
    const ContentTypes& m_contentTypes;
};

} // namespace tavlin
