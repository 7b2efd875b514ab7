#pragma once

#include "platform/linux/PosixFileSystem.h"

#include <atomic>
#include <functional>

namespace tavlin {

// The real file system, with refusals injected where a test asks for them, listings that may
// not know every date, and a count of the listings, so tests can see failures the machine would
// rarely produce.
class FaultyFileSystem final : public PosixFileSystem
{
public:
    // Lookup: existence() answers Unknown, as for a refused lstat().
    enum class Operation { MakeDirectory, OpenFolder, Move, RemoveFile, RemoveFolder, Lookup };
    using FailureRule = std::function<bool(Operation, const QByteArray& path)>;

    void setFailureRule(FailureRule rule) { m_rule = std::move(rule); }
    const FailureRule& failureRule() const { return m_rule; }
    int listingCount() const { return m_listings; }
    int refusals() const { return m_refusals; }
    bool unknownModified = false;
    bool unknownChanged = false;

    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override
    {
        ++m_listings;
        auto items = PosixFileSystem::listItems(folder);
        for (size_t i = 0; items && i < items->size(); ++i) {
            if (unknownModified)
                (*items)[i].stat.modified.reset();
            if (unknownChanged)
                (*items)[i].stat.changed.reset();
        }
        return items;
    }
    Existence existence(const QByteArray& path) const override
    {
        return refused(Operation::Lookup, path) ? Existence::Unknown
                                                : PosixFileSystem::existence(path);
    }
    std::unique_ptr<FolderHandle> openFolder(const QByteArray& path) const override
    {
        return refused(Operation::OpenFolder, path) ? nullptr : PosixFileSystem::openFolder(path);
    }
    std::unique_ptr<FolderHandle> openFolder(const FolderHandle& parent,
                                             const QByteArray& name) const override
    {
        return refused(Operation::OpenFolder, parent, name)
                   ? nullptr
                   : PosixFileSystem::openFolder(parent, name);
    }
    bool makeFolder(const FolderHandle& parent, const QByteArray& name) override
    {
        return !refused(Operation::MakeDirectory, parent, name) &&
               PosixFileSystem::makeFolder(parent, name);
    }
    Existence existence(const FolderHandle& folder, const QByteArray& name) const override
    {
        return refused(Operation::Lookup, folder, name) ? Existence::Unknown
                                                        : PosixFileSystem::existence(folder, name);
    }
    MoveResult moveBetween(const FolderHandle& from, const QByteArray& fromName,
                           const FolderHandle& to, const QByteArray& toName) override
    {
        return refused(Operation::Move, from, fromName)
                   ? MoveResult::Failed
                   : PosixFileSystem::moveBetween(from, fromName, to, toName);
    }
    bool removeFile(const FolderHandle& folder, const QByteArray& name) override
    {
        return !refused(Operation::RemoveFile, folder, name) &&
               PosixFileSystem::removeFile(folder, name);
    }
    bool removeEmptyFolder(const FolderHandle& folder, const QByteArray& name) override
    {
        return !refused(Operation::RemoveFolder, folder, name) &&
               PosixFileSystem::removeEmptyFolder(folder, name);
    }

private:
    // The rule sees every item by its path, the folder's path when opened plus the name.
    bool refused(Operation operation, const QByteArray& path) const
    {
        if (!m_rule || !m_rule(operation, path))
            return false;
        ++m_refusals;
        return true;
    }
    bool refused(Operation operation, const FolderHandle& folder, const QByteArray& name) const
    {
        return refused(operation, folder.path() + '/' + name);
    }

    FailureRule m_rule;
    // The worker thread of a DesktopTidy counts too.
    mutable std::atomic<int> m_listings = 0;
    mutable std::atomic<int> m_refusals = 0;
};

} // namespace tavlin
