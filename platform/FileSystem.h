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

// What a lookup of a path found. Only a missing item is Absent; a lookup the system refused
// (permissions, I/O) is Unknown and says nothing either way.
enum class Existence { Exists, Absent, Unknown };

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

    // lstat(), telling "no such item" apart from a refused lookup.
    virtual Existence existence(const QByteArray& path) const = 0;

    // The absolute path with every link and "." or ".." resolved; nullopt when some part of it
    // does not exist or cannot be examined.
    virtual std::optional<QByteArray> canonicalPath(const QByteArray& path) const = 0;

    // Creates one folder. True when a real folder (not a link to one) is there afterwards.
    virtual bool makeDirectory(const QByteArray& path) = 0;

    // Moves an item within one file system. Never replaces anything that is at `to`, not even
    // in a race; reports TargetExists instead.
    virtual MoveResult move(const QByteArray& from, const QByteArray& to) = 0;

    // Removes one item that is not a folder (unlink()).
    virtual bool removeFile(const QByteArray& path) = 0;

    // Removes a folder only when it is empty (rmdir()): whatever arrives in it first stays.
    virtual bool removeEmptyFolder(const QByteArray& path) = 0;

    // True when the path names a folder that this process can open and list.
    virtual bool canOpenFolder(const QByteArray& path) const = 0;
};

} // namespace tavlin
