#include "tests/fakes/FaultyFileSystem.h"

namespace tavlin {

std::optional<std::vector<DirectoryItem>>
FaultyFileSystem::listItems(const QByteArray& folder) const
{
    ++m_listings;
    return m_real.listItems(folder);
}

std::optional<std::vector<QByteArray>> FaultyFileSystem::listNames(const QByteArray& folder) const
{
    return m_real.listNames(folder);
}

std::optional<ItemStat> FaultyFileSystem::stat(const QByteArray& path) const
{
    return m_real.stat(path);
}

bool FaultyFileSystem::makeDirectory(const QByteArray& path)
{
    return !refused(Operation::MakeDirectory, path) && m_real.makeDirectory(path);
}

MoveResult FaultyFileSystem::move(const QByteArray& from, const QByteArray& to)
{
    return refused(Operation::Move, from) ? MoveResult::Failed : m_real.move(from, to);
}

bool FaultyFileSystem::removeTree(const QByteArray& path)
{
    return !refused(Operation::RemoveTree, path) && m_real.removeTree(path);
}

bool FaultyFileSystem::canOpenFolder(const QByteArray& path) const
{
    return m_real.canOpenFolder(path);
}

bool FaultyFileSystem::refused(Operation operation, const QByteArray& path)
{
    if (!m_rule || !m_rule(operation, path))
        return false;
    ++m_refusals;
    return true;
}

} // namespace tavlin
