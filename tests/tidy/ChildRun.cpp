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
    // Every change to the disk counts; a move can be slowed down to overlap another run's.
    FaultyFileSystem fileSystem(static_cast<FileSystem&>(world.fileSystem));
    fileSystem.setFailureRule([&](FaultyFileSystem::Operation operation, const QByteArray&) {
        using enum FaultyFileSystem::Operation;
        if (operation == OpenFolder || operation == Lookup)
            return false;
        fuse.step();
        if (operation == Move && options.slowMicroseconds > 0)
            ::usleep(useconds_t(options.slowMicroseconds));
        return false;
    });
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
