#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

namespace tavlin {

enum class ItemKind { Directory, File, Symlink, Other };

// What one lstat() tells about an item. Symbolic links are never followed.
struct ItemStat
{
    ItemKind kind = ItemKind::Other;
    std::optional<double> modified; // content modification time, seconds since the epoch
    std::optional<double> changed;  // inode change time: when the item arrived in its folder
};

enum class MoveResult {
    Moved,
    TargetExists, // something is at the target; it was left alone
    Failed,
};

struct DirectoryItem
{
    QByteArray name;
    ItemStat stat;
};

// The file-system operations the tidy needs, on raw byte paths: a Linux file name is any
// byte string, so nothing here passes through text.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // Every entry of a folder except "." and "..", each with its lstat() data, in the order the
    // system lists them. Entries that vanish between listing and stat are left out.
    // nullopt when the folder cannot be opened or read.
    virtual std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const = 0;

    // Names of every entry of a folder except "." and ".."; nullopt when it cannot be listed.
    virtual std::optional<std::vector<QByteArray>> listNames(const QByteArray& folder) const = 0;

    // lstat(); nullopt when the item does not exist or cannot be examined.
    virtual std::optional<ItemStat> stat(const QByteArray& path) const = 0;

    // Creates one folder. True when a real folder (not a link to one) is there afterwards.
    virtual bool makeDirectory(const QByteArray& path) = 0;

    // Moves an item within one file system. Never replaces anything that is at `to`, not even
    // in a race; reports TargetExists instead.
    virtual MoveResult move(const QByteArray& from, const QByteArray& to) = 0;

    // Removes a folder with everything in it, without following links.
    virtual bool removeTree(const QByteArray& path) = 0;

    // True when the path names a folder that this process can open and list.
    virtual bool canOpenFolder(const QByteArray& path) const = 0;
};

} // namespace tavlin
