#pragma once

#include "platform/FileSystem.h"

namespace tavlin {

// FileSystem over the raw POSIX calls, so that any byte string works as a name.
class PosixFileSystem : public FileSystem
{
public:
    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override;
    std::optional<ItemStat> stat(const QByteArray& path) const override;
    Existence existence(const QByteArray& path) const override;
    std::optional<QByteArray> canonicalPath(const QByteArray& path) const override;
    std::unique_ptr<FolderHandle> openFolder(const QByteArray& path) const override;
    std::unique_ptr<FolderHandle> openFolder(const FolderHandle& parent,
                                             const QByteArray& name) const override;
    bool makeFolder(const FolderHandle& parent, const QByteArray& name) override;
    std::optional<std::vector<QByteArray>> listNames(const FolderHandle& folder) const override;
    std::optional<ItemStat> stat(const FolderHandle& folder, const QByteArray& name) const override;
    Existence existence(const FolderHandle& folder, const QByteArray& name) const override;
    MoveResult moveBetween(const FolderHandle& from, const QByteArray& fromName,
                           const FolderHandle& to, const QByteArray& toName) override;
    bool removeFile(const FolderHandle& folder, const QByteArray& name) override;
    bool removeEmptyFolder(const FolderHandle& folder, const QByteArray& name) override;
    bool canOpenFolder(const QByteArray& path) const override;
};

} // namespace tavlin
