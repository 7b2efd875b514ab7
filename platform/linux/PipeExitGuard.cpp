#include "platform/linux/PipeExitGuard.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavlin {

PipeExitGuard::PipeExitGuard(QByteArray program, QByteArrayList arguments)
    : m_program(std::move(program)), m_arguments(std::move(arguments))
{
}

PipeExitGuard::~PipeExitGuard()
{
    disarm();
}

bool PipeExitGuard::arm()
{
    if (m_writeEnd >= 0)
        return true;
    // Close-on-exec, so no program this one starts holds the write end open.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    // Closed by a successful exec; a failed one writes to it first.
    int execStatus[2];
    if (::pipe2(execStatus, O_CLOEXEC) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    // Everything the children need is ready before fork(): after it, only async-signal-safe
    // calls, since other threads may hold locks.
    std::vector<char*> argv{m_program.data()};
    for (QByteArray& argument : m_arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t intermediate = ::fork();
    if (intermediate == 0) {
        if (::fork() == 0) {
            ::setsid();
            sigset_t none;
            ::sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            // dup2() onto itself would keep close-on-exec: cleared either way.
            if (::dup2(ends[0], STDIN_FILENO) < 0 || ::fcntl(STDIN_FILENO, F_SETFD, 0) < 0)
                ::_exit(127);
            const auto status = unsigned(execStatus[1]);
            ::close_range(STDERR_FILENO + 1, status - 1, 0);
            ::close_range(status + 1, ~0U, 0);
            ::execv(argv[0], argv.data());
            const char failed = 1;
            [[maybe_unused]] const ssize_t written = ::write(execStatus[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(ends[0]);
    ::close(execStatus[1]);
    bool started = intermediate > 0;
    if (started) {
        while (::waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
        }
        char failed = 0;
        ssize_t n = 0;
        while ((n = ::read(execStatus[0], &failed, 1)) < 0 && errno == EINTR) {
        }
        started = n == 0;
    }
    ::close(execStatus[0]);
    if (!started) {
        ::close(ends[1]);
        return false;
    }
    m_writeEnd = ends[1];
    return true;
}

void PipeExitGuard::disarm()
{
    if (m_writeEnd < 0)
        return;
    ::close(m_writeEnd);
    m_writeEnd = -1;
}

void PipeExitGuard::waitForGuardedProcess()
{
    char buffer[64];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EINTR))
            return;
    }
}

} // namespace tavlin
