#include "platform/linux/PosixFileSystem.h"

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

DirHandle openFolder(const QByteArray& folder)
{
    if (!isUsablePath(folder))
        return nullptr;
    return DirHandle(::opendir(folder.constData()));
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

int renameNoReplace(const char* from, const char* to)
{
    return static_cast<int>(
        ::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE));
}

// For file systems without RENAME_NOREPLACE: link() refuses an existing target just the same.
MoveResult linkThenUnlink(const char* from, const char* to)
{
    struct stat st = {};
    if (::lstat(from, &st) != 0 || S_ISDIR(st.st_mode))
        return MoveResult::Failed; // a folder cannot be hard-linked, and rename() would replace an
                                   // empty one
    if (::linkat(AT_FDCWD, from, AT_FDCWD, to, 0) != 0) // flags 0: a symlink is linked itself
        return errno == EEXIST ? MoveResult::TargetExists : MoveResult::Failed;
    if (::unlink(from) == 0)
        return MoveResult::Moved;
    ::unlink(to); // the item stays where it was, under its one name
    return MoveResult::Failed;
}

} // namespace

std::optional<std::vector<DirectoryItem>> PosixFileSystem::listItems(const QByteArray& folder) const
{
    const DirHandle dir = openFolder(folder);
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

std::optional<std::vector<QByteArray>> PosixFileSystem::listNames(const QByteArray& folder) const
{
    const DirHandle dir = openFolder(folder);
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
    struct stat st;
    if (!isUsablePath(path))
        return Existence::Unknown;
    if (::lstat(path.constData(), &st) == 0)
        return Existence::Exists;
    return errno == ENOENT ? Existence::Absent : Existence::Unknown;
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

bool PosixFileSystem::makeDirectory(const QByteArray& path)
{
    if (!isUsablePath(path))
        return false;
    if (::mkdir(path.constData(), 0777) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st = {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

MoveResult PosixFileSystem::move(const QByteArray& from, const QByteArray& to)
{
    if (!isUsablePath(from) || !isUsablePath(to))
        return MoveResult::Failed;
    if (renameNoReplace(from.constData(), to.constData()) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST)
        return MoveResult::TargetExists;
    if (errno == EINVAL || errno == ENOSYS)
        return linkThenUnlink(from.constData(), to.constData());
    return MoveResult::Failed;
}

bool PosixFileSystem::removeFile(const QByteArray& path)
{
    return isUsablePath(path) && ::unlink(path.constData()) == 0;
}

bool PosixFileSystem::removeEmptyFolder(const QByteArray& path)
{
    return isUsablePath(path) && ::rmdir(path.constData()) == 0;
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
