#include "platform/linux/PosixStateFolder.h"

#include "platform/linux/PosixFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tavlin {

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

class PosixAppendFile final : public AppendFile
{
public:
    explicit PosixAppendFile(int fd) : m_file(fd) {}

    bool append(const QByteArray& data) override
    {
        const char* next = data.constData();
        qsizetype left = data.size();
        while (left > 0) {
            const ssize_t written = ::write(m_file.fd(), next, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            next += written;
            left -= written;
        }
        return true;
    }

    bool sync() override { return ::fdatasync(m_file.fd()) == 0; }

private:
    Descriptor m_file;
};

// The lock goes with the descriptor.
class PosixLock final : public HeldLock
{
public:
    explicit PosixLock(int fd) : m_file(fd) {}

private:
    Descriptor m_file;
};

} // namespace

PosixStateFolder::PosixStateFolder(QByteArray folder) : m_folder(std::move(folder)) {}

QByteArray PosixStateFolder::pathOf(const QByteArray& name) const
{
    return m_folder + '/' + name;
}

StateFolder::Read PosixStateFolder::read(const QByteArray& name, QByteArray& data) const
{
    const Descriptor file(::open(pathOf(name).constData(), O_RDONLY | O_CLOEXEC));
    if (file.fd() < 0)
        return errno == ENOENT ? Read::Absent : Read::Failed;
    data.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Read::Failed;
        if (n == 0)
            return Read::Ok;
        data.append(buffer, qsizetype(n));
    }
}

std::unique_ptr<AppendFile> PosixStateFolder::create(const QByteArray& name)
{
    if (PosixFiles::makeFolders(m_folder) != 0)
        return nullptr;
    const int fd =
        ::open(pathOf(name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<PosixAppendFile>(fd);
    if (!PosixFiles::syncFolder(m_folder))
        return nullptr;
    return file;
}

std::unique_ptr<AppendFile> PosixStateFolder::openForAppend(const QByteArray& name)
{
    const int fd = ::open(pathOf(name).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixAppendFile>(fd);
}

bool PosixStateFolder::replace(const QByteArray& name, const QByteArray& data)
{
    return PosixFiles::makeFolders(m_folder) == 0 &&
           PosixFiles::writeAtomically(pathOf(name), data, 0600) == 0;
}

bool PosixStateFolder::rename(const QByteArray& from, const QByteArray& to)
{
    return ::rename(pathOf(from).constData(), pathOf(to).constData()) == 0 &&
           PosixFiles::syncFolder(m_folder);
}

bool PosixStateFolder::remove(const QByteArray& name)
{
    return ::unlink(pathOf(name).constData()) == 0 || errno == ENOENT;
}

std::unique_ptr<HeldLock> PosixStateFolder::lock(const QByteArray& name, int waitMs, bool& busy)
{
    busy = false;
    if (PosixFiles::makeFolders(m_folder) != 0)
        return nullptr;
    const QByteArray path = pathOf(name);
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) // flock() needs no write access: a read-only folder still shares its lock
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto held = std::make_unique<PosixLock>(fd);
    if (!PosixFiles::lockWithin(fd, waitMs)) {
        busy = true;
        return nullptr;
    }
    return held;
}

} // namespace tavlin
