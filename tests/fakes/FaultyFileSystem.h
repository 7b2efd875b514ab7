#pragma once

#include "platform/FileSystem.h"

#include <atomic>
#include <functional>

namespace tavlin {

// The real file system, with refusals injected where a test asks for them, listings that may
// not know every date, and a count of the listings, so tests can see failures the machine would
// rarely produce.
class FaultyFileSystem final : public FileSystem
{
public:
    // Lookup: existence() answers Unknown, as for a refused lstat().
    enum class Operation { MakeDirectory, Move, RemoveFile, RemoveFolder, Lookup };
    using FailureRule = std::function<bool(Operation, const QByteArray& path)>;

    explicit FaultyFileSystem(FileSystem& real) : m_real(real) {}

    void setFailureRule(FailureRule rule) { m_rule = std::move(rule); }
    int listingCount() const { return m_listings; }
    int refusals() const { return m_refusals; }
    bool unknownModified = false;
    bool unknownChanged = false;

    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override
    {
        ++m_listings;
        auto items = m_real.listItems(folder);
        for (size_t i = 0; items && i < items->size(); ++i) {
            if (unknownModified)
                (*items)[i].stat.modified.reset();
            if (unknownChanged)
                (*items)[i].stat.changed.reset();
        }
        return items;
    }
    std::optional<std::vector<QByteArray>> listNames(const QByteArray& folder) const override
    {
        return m_real.listNames(folder);
    }
    std::optional<ItemStat> stat(const QByteArray& path) const override
    {
        return m_real.stat(path);
    }
    Existence existence(const QByteArray& path) const override
    {
        return refused(Operation::Lookup, path) ? Existence::Unknown : m_real.existence(path);
    }
    std::optional<QByteArray> canonicalPath(const QByteArray& path) const override
    {
        return m_real.canonicalPath(path);
    }
    bool makeDirectory(const QByteArray& path) override
    {
        return !refused(Operation::MakeDirectory, path) && m_real.makeDirectory(path);
    }
    MoveResult move(const QByteArray& from, const QByteArray& to) override
    {
        return refused(Operation::Move, from) ? MoveResult::Failed : m_real.move(from, to);
    }
    bool removeFile(const QByteArray& path) override
    {
        return !refused(Operation::RemoveFile, path) && m_real.removeFile(path);
    }
    bool removeEmptyFolder(const QByteArray& path) override
    {
        return !refused(Operation::RemoveFolder, path) && m_real.removeEmptyFolder(path);
    }
    bool canOpenFolder(const QByteArray& path) const override { return m_real.canOpenFolder(path); }

private:
    bool refused(Operation operation, const QByteArray& path) const;

    FileSystem& m_real;
    FailureRule m_rule;
    // The worker thread of a DesktopTidy counts too.
    mutable std::atomic<int> m_listings = 0;
    mutable std::atomic<int> m_refusals = 0;
};

} // namespace tavlin
