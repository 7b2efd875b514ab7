#pragma once

#include "platform/FileSystem.h"

#include <functional>

namespace tavlin {

// The real file system, with refusals injected where a test asks for them and a count of the
// listings, so tests can see failures the machine would rarely produce.
class FaultyFileSystem final : public FileSystem
{
public:
    enum class Operation { MakeDirectory, Move, RemoveTree };
    using FailureRule = std::function<bool(Operation, const QByteArray& path)>;

    explicit FaultyFileSystem(FileSystem& real) : m_real(real) {}

    void setFailureRule(FailureRule rule) { m_rule = std::move(rule); }
    int listingCount() const { return m_listings; }
    int refusals() const { return m_refusals; }

    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override;
    std::optional<std::vector<QByteArray>> listNames(const QByteArray& folder) const override;
    std::optional<ItemStat> stat(const QByteArray& path) const override;
    bool makeDirectory(const QByteArray& path) override;
    MoveResult move(const QByteArray& from, const QByteArray& to) override;
    bool removeTree(const QByteArray& path) override;
    bool canOpenFolder(const QByteArray& path) const override;

private:
    bool refused(Operation operation, const QByteArray& path);

    FileSystem& m_real;
    FailureRule m_rule;
    mutable int m_listings = 0;
    int m_refusals = 0;
};

} // namespace tavlin
