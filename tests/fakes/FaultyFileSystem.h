#pragma once

#include "platform/FileSystem.h"

#include <functional>

namespace tavlin {

// The real file system, with refusals injected where a test asks for them, listings that may
// not know every date, and a count of the listings, so tests can see failures the machine would
// rarely produce.
class FaultyFileSystem final : public FileSystem
{
public:
    enum class Operation { MakeDirectory, Move, RemoveTree };
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
    bool makeDirectory(const QByteArray& path) override
    {
        return !refused(Operation::MakeDirectory, path) && m_real.makeDirectory(path);
    }
    MoveResult move(const QByteArray& from, const QByteArray& to) override
    {
        return refused(Operation::Move, from) ? MoveResult::Failed : m_real.move(from, to);
    }
    bool removeTree(const QByteArray& path) override
    {
        return !refused(Operation::RemoveTree, path) && m_real.removeTree(path);
    }
    bool canOpenFolder(const QByteArray& path) const override { return m_real.canOpenFolder(path); }

private:
    bool refused(Operation operation, const QByteArray& path);

    FileSystem& m_real;
    FailureRule m_rule;
    mutable int m_listings = 0;
    int m_refusals = 0;
};

} // namespace tavlin
