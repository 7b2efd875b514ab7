#include "tidy/ArchiveFiler.h"

#include "tidy/ArchivePaths.h"
#include "tidy/Classifier.h"
#include "tidy/FileName.h"

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

std::vector<MoveRecord> ArchiveFiler::fileAll(const std::vector<TidyCandidate>& candidates,
                                              const QByteArray& archiveRoot,
                                              const QByteArray& month)
{
    std::vector<MoveRecord> moves;
    for (const TidyCandidate& candidate : candidates) {
        const QByteArray category = categoryOf(candidate).toUtf8();
        if (!makeFolders(archiveRoot, month, category))
            continue;
        const QByteArray folder = FileName::join(FileName::join(archiveRoot, month), category);
        QByteArray dest;
        if (moveUnique(candidate, folder, dest) == MoveResult::Moved)
            moves.push_back({candidate.path, dest});
    }
    m_madeFolders.clear();
    return moves;
}

MoveResult ArchiveFiler::moveUnique(const TidyCandidate& candidate, const QByteArray& folder,
                                    QByteArray& dest)
{
    // Most names are free: try the plain name and let the no-replace move say when it is not.
    dest = FileName::join(folder, candidate.name);
    const MoveResult result = m_fileSystem.move(candidate.path, dest);
    if (result != MoveResult::TargetExists)
        return result;
    dest = uniqueDestination(m_fileSystem, folder, candidate.name);
    return m_fileSystem.move(candidate.path, dest);
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
