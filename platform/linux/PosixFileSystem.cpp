#include "platform/linux/PosixFileSystem.h"

#include "platform/linux/PosixFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace tavlin {

namespace {

// An embedded NUL would silently cut the path short and address some other item.
bool isUsablePath(const QByteArray& path)
{
    return !path.isEmpty() && !path.contains('\0');
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// One component: anything else would reach past the folder the handle holds.
bool isPlainName(const QByteArray& name)
{
    return !name.isEmpty() && !name.contains('/') && !name.contains('\0') &&
           !isDotOrDotDot(name.constData());
}

// The descriptor of a handle this file system opened; -1 for any other.
int descriptorOf(const FolderHandle& folder)
{
    const auto* own = dynamic_cast<const PosixFolder*>(&folder);
    return own ? own->descriptor() : -1;
}

// O_PATH: as a path would, the handle needs no read permission for moves into the folder, only
// for listing it.
constexpr int folderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

double seconds(const timespec& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

ItemStat toItemStat(const struct stat& st)
{
    ItemStat result;
    if (S_ISDIR(st.st_mode))
        result.kind = ItemKind::Directory;
    else if (S_ISREG(st.st_mode))
        result.kind = ItemKind::File;
    else if (S_ISLNK(st.st_mode))
        result.kind = ItemKind::Symlink;
    else
        result.kind = ItemKind::Other;
    result.modified = seconds(st.st_mtim);
    result.changed = seconds(st.st_ctim);
    return result;
}

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openDir(const QByteArray& folder)
{
    if (!isUsablePath(folder))
        return nullptr;
    return DirHandle(::opendir(folder.constData()));
}

// A stream of its own over the folder: readdir() on the handle's descriptor would move the
// position every other user of it shares.
DirHandle openDir(const FolderHandle& folder)
{
    const int fd = descriptorOf(folder);
    const int own = fd < 0 ? -1 : ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return nullptr;
    DirHandle dir(::fdopendir(own));
    if (!dir)
        ::close(own);
    return dir;
}

// Calls `visit(entry)` for each entry but "." and ".."; false when reading failed midway.
template <typename Visit> bool forEachEntry(DIR* dir, Visit&& visit)
{
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return errno == 0;
        if (!isDotOrDotDot(entry->d_name) && !visit(*entry))
            return false;
    }
}

// For file systems without RENAME_NOREPLACE: link() refuses an existing target just the same.
MoveResult linkThenUnlink(int fromFd, const char* from, int toFd, const char* to)
{
    struct stat st = {};
    if (::fstatat(fromFd, from, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
        return MoveResult::Failed; // a folder cannot be hard-linked, and rename() would replace an
                                   // empty one
    if (::linkat(fromFd, from, toFd, to, 0) != 0) // flags 0: a symlink is linked itself
        return errno == EEXIST ? MoveResult::TargetExists : MoveResult::Failed;
    if (::unlinkat(fromFd, from, 0) == 0)
        return MoveResult::Moved;
    ::unlinkat(toFd, to, 0); // the item stays where it was, under its one name
    return MoveResult::Failed;
}

Existence existenceAt(int fd, const char* name)
{
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return Existence::Exists;
    return errno == ENOENT ? Existence::Absent : Existence::Unknown;
}

// A single name too long for the file system names nothing that could be there: a record of a
// move to such a name was never carried out.
Existence existenceOfName(int fd, const char* name)
{
    const Existence found = existenceAt(fd, name);
    return found == Existence::Unknown && errno == ENAMETOOLONG ? Existence::Absent : found;
}

} // namespace

std::optional<std::vector<DirectoryItem>> PosixFileSystem::listItems(const QByteArray& folder) const
{
    const DirHandle dir = openDir(folder);
    if (!dir)
        return std::nullopt;
    const int fd = ::dirfd(dir.get());
    std::vector<DirectoryItem> items;
    const bool listed = forEachEntry(dir.get(), [&](const dirent& entry) {
        // An entry that cannot be examined (gone since it was listed, or refused) is left out;
        // the rest of the folder still counts.
        struct stat st;
        if (::fstatat(fd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            items.push_back({QByteArray(entry.d_name), toItemStat(st)});
        return true;
    });
    if (!listed)
        return std::nullopt;
    return items;
}

std::optional<std::vector<QByteArray>> PosixFileSystem::listNames(const FolderHandle& folder) const
{
    const DirHandle dir = openDir(folder);
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> names;
    const bool listed = forEachEntry(dir.get(), [&](const dirent& entry) {
        names.emplace_back(entry.d_name);
        return true;
    });
    if (!listed)
        return std::nullopt;
    return names;
}

std::optional<ItemStat> PosixFileSystem::stat(const QByteArray& path) const
{
    struct stat st;
    if (!isUsablePath(path) || ::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return toItemStat(st);
}

Existence PosixFileSystem::existence(const QByteArray& path) const
{
    return isUsablePath(path) ? existenceAt(AT_FDCWD, path.constData()) : Existence::Unknown;
}

std::optional<QByteArray> PosixFileSystem::canonicalPath(const QByteArray& path) const
{
    if (!isUsablePath(path))
        return std::nullopt;
    const std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.constData(), nullptr),
                                                            &::free);
    if (!resolved)
        return std::nullopt;
    return QByteArray(resolved.get());
}

std::unique_ptr<FolderHandle> PosixFileSystem::openFolder(const QByteArray& path) const
{
    const int fd = isUsablePath(path) ? ::open(path.constData(), folderFlags) : -1;
    return fd < 0 ? nullptr : std::make_unique<PosixFolder>(path, fd);
}

std::unique_ptr<FolderHandle> PosixFileSystem::openFolder(const FolderHandle& parent,
                                                          const QByteArray& name) const
{
    const int at = descriptorOf(parent);
    const int fd = at < 0 || !isPlainName(name) ? -1 : ::openat(at, name.constData(), folderFlags);
    return fd < 0 ? nullptr : std::make_unique<PosixFolder>(parent.path() + '/' + name, fd);
}

bool PosixFileSystem::makeFolder(const FolderHandle& parent, const QByteArray& name)
{
    const int at = descriptorOf(parent);
    if (at < 0 || !isPlainName(name))
        return false;
    if (::mkdirat(at, name.constData(), 0777) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st = {};
    return ::fstatat(at, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

std::optional<ItemStat> PosixFileSystem::stat(const FolderHandle& folder,
                                              const QByteArray& name) const
{
    struct stat st;
    const int at = descriptorOf(folder);
    if (at < 0 || !isPlainName(name) ||
        ::fstatat(at, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return toItemStat(st);
}

Existence PosixFileSystem::existence(const FolderHandle& folder, const QByteArray& name) const
{
    const int at = descriptorOf(folder);
    return at < 0 || !isPlainName(name) ? Existence::Unknown
                                        : existenceOfName(at, name.constData());
}

MoveResult PosixFileSystem::moveBetween(const FolderHandle& from, const QByteArray& fromName,
                                        const FolderHandle& to, const QByteArray& toName)
{
    const int fromFd = descriptorOf(from);
    const int toFd = descriptorOf(to);
    if (fromFd < 0 || toFd < 0 || !isPlainName(fromName) || !isPlainName(toName))
        return MoveResult::Failed;
    if (::syscall(SYS_renameat2, fromFd, fromName.constData(), toFd, toName.constData(),
                  RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST)
        return MoveResult::TargetExists;
    if (errno == EINVAL || errno == ENOSYS)
        return linkThenUnlink(fromFd, fromName.constData(), toFd, toName.constData());
    return MoveResult::Failed;
}

bool PosixFileSystem::removeFile(const FolderHandle& folder, const QByteArray& name)
{
    const int at = descriptorOf(folder);
    return at >= 0 && isPlainName(name) && ::unlinkat(at, name.constData(), 0) == 0;
}

bool PosixFileSystem::removeEmptyFolder(const FolderHandle& folder, const QByteArray& name)
{
    const int at = descriptorOf(folder);
    return at >= 0 && isPlainName(name) && ::unlinkat(at, name.constData(), AT_REMOVEDIR) == 0;
}

bool PosixFileSystem::canOpenFolder(const QByteArray& path) const
{
    if (!isUsablePath(path))
        return false;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace tavlin
