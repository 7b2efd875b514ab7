#pragma once

#include "platform/FileSystem.h"

namespace tavlin {

// FileSystem over the raw POSIX calls, so that any byte string works as a name.
class PosixFileSystem : public FileSystem
{
public:
    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override;
    std::optional<std::vector<QByteArray>> listNames(const QByteArray& folder) const override;
    std::optional<ItemStat> stat(const QByteArray& path) const override;
    Existence existence(const QByteArray& path) const override;
    std::optional<QByteArray> canonicalPath(const QByteArray& path) const override;
    bool makeDirectory(const QByteArray& path) override;
    MoveResult move(const QByteArray& from, const QByteArray& to) override;
    bool removeFile(const QByteArray& path) override;
    bool removeEmptyFolder(const QByteArray& path) override;
    bool canOpenFolder(const QByteArray& path) const override;
};

} // namespace tavlin
