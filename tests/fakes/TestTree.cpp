#include "tests/fakes/TestTree.h"

#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlin::TestTree {

namespace {

void collect(const QByteArray& root, const QByteArray& relative, Snapshot& out)
{
    DIR* dir = opendir((relative.isEmpty() ? root : root + '/' + relative).constData());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = root + '/' + rel;
        struct stat st = {};
        if (lstat(full.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            out[rel] = "D";
            collect(root, rel, out);
        } else if (S_ISREG(st.st_mode)) {
            out[rel] = "F:" + readFile(full);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = readlink(full.constData(), target, sizeof target);
            out[rel] = "L:" + QByteArray(target, n < 0 ? 0 : qsizetype(n));
        } else {
            out[rel] = "O";
        }
    }
    closedir(dir);
}

int removeEntry(const char* path, const struct stat*, int, FTW*)
{
    return ::remove(path);
}

} // namespace

bool writeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const ssize_t written = write(fd, content.constData(), size_t(content.size()));
    close(fd);
    return written == content.size();
}

bool makeFolder(const QByteArray& path)
{
    return mkdir(path.constData(), 0755) == 0;
}

bool makeSymlink(const QByteArray& target, const QByteArray& path)
{
    return symlink(target.constData(), path.constData()) == 0;
}

bool makeFifo(const QByteArray& path)
{
    return mkfifo(path.constData(), 0644) == 0;
}

bool setModified(const QByteArray& path, double secondsSinceEpoch)
{
    timespec times[2];
    const double whole = std::floor(secondsSinceEpoch);
    times[0].tv_sec = time_t(whole);
    times[0].tv_nsec = long((secondsSinceEpoch - whole) * 1e9);
    times[1] = times[0];
    return utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

double changedTime(const QByteArray& path)
{
    struct stat st = {};
    if (lstat(path.constData(), &st) != 0)
        return std::nan("");
    return double(st.st_ctim.tv_sec) + double(st.st_ctim.tv_nsec) / 1e9;
}

bool exists(const QByteArray& path)
{
    struct stat st = {};
    return lstat(path.constData(), &st) == 0;
}

QByteArray readFile(const QByteArray& path)
{
    const int fd = open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return {};
    QByteArray data;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, qsizetype(n));
    close(fd);
    return data;
}

Snapshot snapshot(const QByteArray& root)
{
    Snapshot out;
    collect(root, {}, out);
    return out;
}

QByteArrayList entries(const QByteArray& text)
{
    QByteArrayList result;
    for (QByteArray entry : text.split('|')) {
        if (entry.startsWith("@/"))
            entry = thisMonth + entry.mid(2);
        if (!entry.isEmpty())
            result.append(entry.replace(" > @/", " > " + thisMonth));
    }
    return result;
}

Snapshot tree(const QByteArray& text)
{
    Snapshot result;
    for (const QByteArray& entry : entries(text)) {
        const qsizetype equals = entry.indexOf('=');
        const QByteArray path = equals < 0 ? entry : entry.left(equals);
        result[path] = equals < 0 ? QByteArray("D") : entry.mid(equals + 1);
        for (qsizetype slash = path.lastIndexOf('/'); slash > 0;
             slash = path.lastIndexOf('/', slash - 1))
            result[path.left(slash)] = "D";
    }
    return result;
}

bool build(const QByteArray& root, const Snapshot& tree)
{
    // In path order, so that every folder comes before what it holds.
    for (const auto& [relative, value] : tree) {
        const QByteArray full = root + '/' + relative;
        const bool made = value == "D"             ? makeFolder(full)
                          : value == "O"           ? makeFifo(full)
                          : value.startsWith("F:") ? writeFile(full, value.mid(2))
                          : value.startsWith("L:") ? makeSymlink(value.mid(2), full)
                                                   : false;
        if (!made)
            return false;
    }
    return true;
}

bool remove(const QByteArray& path)
{
    return nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

std::optional<QByteArray> setEnvironment(const char* name, const std::optional<QByteArray>& value)
{
    std::optional<QByteArray> was;
    if (qEnvironmentVariableIsSet(name))
        was = qgetenv(name);
    value ? qputenv(name, *value) : qunsetenv(name);
    return was;
}

Scratch::~Scratch()
{
    // QTemporaryDir cannot remove names that are not valid UTF-8.
    if (m_dir.autoRemove())
        remove(root);
}

void Scratch::keep()
{
    m_dir.setAutoRemove(false);
}

} // namespace tavlin::TestTree
