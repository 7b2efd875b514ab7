#include "tests/tidy/ChildRun.h"

#include "tidy/TidyRunner.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavlin::ChildRun {

namespace {

// Counts the changes to the disk and dies at the chosen one.
class Fuse
{
public:
    explicit Fuse(int killAt) : m_killAt(killAt) {}
    void step()
    {
        if (m_count++ == m_killAt)
            ::raise(SIGKILL);
    }

private:
    int m_killAt;
    int m_count = 0;
};

class FusedFile final : public AppendFile
{
public:
    FusedFile(std::unique_ptr<AppendFile> file, Fuse& fuse) : m_file(std::move(file)), m_fuse(fuse)
    {
    }
    bool append(const QByteArray& data) override { return m_fuse.step(), m_file->append(data); }
    bool sync() override { return m_fuse.step(), m_file->sync(); }

private:
    std::unique_ptr<AppendFile> m_file;
    Fuse& m_fuse;
};

class FusedState final : public StateFolder
{
public:
    FusedState(StateFolder& real, Fuse& fuse) : m_real(real), m_fuse(fuse) {}
    Read read(const QByteArray& name, QByteArray& data) const override
    {
        return m_real.read(name, data);
    }
    std::unique_ptr<AppendFile> create(const QByteArray& name) override
    {
        m_fuse.step();
        return wrap(m_real.create(name));
    }
    std::unique_ptr<AppendFile> openForAppend(const QByteArray& name) override
    {
        return wrap(m_real.openForAppend(name));
    }
    bool replace(const QByteArray& name, const QByteArray& data) override
    {
        return m_fuse.step(), m_real.replace(name, data);
    }
    bool rename(const QByteArray& from, const QByteArray& to) override
    {
        return m_fuse.step(), m_real.rename(from, to);
    }
    bool remove(const QByteArray& name) override { return m_fuse.step(), m_real.remove(name); }
    std::unique_ptr<HeldLock> lock(const QByteArray& name, int waitMs, bool& busy) override
    {
        return m_real.lock(name, waitMs, busy);
    }
    QByteArray pathOf(const QByteArray& name) const override { return m_real.pathOf(name); }

private:
    std::unique_ptr<AppendFile> wrap(std::unique_ptr<AppendFile> file)
    {
        return file ? std::make_unique<FusedFile>(std::move(file), m_fuse) : nullptr;
    }

    StateFolder& m_real;
    Fuse& m_fuse;
};

class FusedFileSystem final : public FileSystem
{
public:
    FusedFileSystem(FileSystem& real, Fuse& fuse, int slowMicroseconds)
        : m_real(real), m_fuse(fuse), m_slow(slowMicroseconds)
    {
    }
    std::optional<std::vector<DirectoryItem>> listItems(const QByteArray& folder) const override
    {
        return m_real.listItems(folder);
    }
    std::optional<std::vector<QByteArray>> listNames(const QByteArray& folder) const override
    {
        return m_real.listNames(folder);
    }
    std::optional<ItemStat> stat(const QByteArray& path) const override
    {
        return m_real.stat(path);
    }
    Existence existence(const QByteArray& path) const override { return m_real.existence(path); }
    std::optional<QByteArray> canonicalPath(const QByteArray& path) const override
    {
        return m_real.canonicalPath(path);
    }
    bool makeDirectory(const QByteArray& path) override
    {
        return m_fuse.step(), m_real.makeDirectory(path);
    }
    MoveResult move(const QByteArray& from, const QByteArray& to) override
    {
        m_fuse.step();
        if (m_slow > 0)
            ::usleep(useconds_t(m_slow));
        return m_real.move(from, to);
    }
    bool removeFile(const QByteArray& path) override
    {
        return m_fuse.step(), m_real.removeFile(path);
    }
    bool removeEmptyFolder(const QByteArray& path) override
    {
        return m_fuse.step(), m_real.removeEmptyFolder(path);
    }
    bool canOpenFolder(const QByteArray& path) const override { return m_real.canOpenFolder(path); }

private:
    FileSystem& m_real;
    Fuse& m_fuse;
    int m_slow;
};

} // namespace

pid_t start(TestDesktop& world, Job job, const Options& options)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    // The child: nothing of the test's own machinery runs here, and it never returns.
    if (options.startFd >= 0) {
        char go = 0;
        if (::read(options.startFd, &go, 1) != 1)
            ::_exit(2);
    }
    if (options.fileSizeLimit >= 0) {
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
        const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    Fuse fuse(options.killAt);
    FusedFileSystem fileSystem(world.fileSystem, fuse, options.slowMicroseconds);
    FusedState state(world.state, fuse);
    TidyRunner runner({fileSystem, world.settings, world.clock, world.contentTypes, state});
    if (job == Job::Tidy)
        runner.tidy(world.path());
    else
        runner.undo(world.path());
    ::_exit(0);
}

void wait(pid_t pid)
{
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace tavlin::ChildRun
