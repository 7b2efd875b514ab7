#include "tidy/RecordScope.h"

#include "tidy/FileName.h"
#include "tidy/FolderRules.h"

namespace tavlin {

RecordScope::RecordScope(const FileSystem& fileSystem, QByteArray desktop)
    : m_fileSystem(fileSystem), m_desktop(std::move(desktop))
{
}

std::optional<QByteArray> RecordScope::resolvedFolder(const QByteArray& folder)
{
    auto known = m_folders.constFind(folder);
    if (known == m_folders.cend())
        known = m_folders.insert(folder, m_fileSystem.canonicalPath(folder));
    return *known;
}

std::optional<MoveRecord> RecordScope::resolve(const MoveRecord& record)
{
    if (!record.from.startsWith('/') || !record.to.startsWith('/'))
        return std::nullopt;
    const std::optional<QByteArray> fromFolder = resolvedFolder(FileName::parent(record.from));
    // A category folder that is gone no longer resolves; its path is then judged as written.
    const QByteArray toFolder =
        resolvedFolder(FileName::parent(record.to)).value_or(FileName::parent(record.to));
    const QByteArray fromName = FileName::lastComponent(record.from);
    const QByteArray toName = FileName::lastComponent(record.to);
    if (!fromFolder || !FolderRules::inScope(m_desktop, *fromFolder, fromName, toFolder, toName))
        return std::nullopt;
    return MoveRecord{FileName::join(*fromFolder, fromName), FileName::join(toFolder, toName)};
}

} // namespace tavlin
