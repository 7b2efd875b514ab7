#include "tests/session/ChildProcesses.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavlin {

qint64 ChildProcesses::parentOf(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // "pid (name) state ppid ...": the name may hold spaces and parentheses.
    const QByteArrayList fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() : 0;
}

ChildProcesses::~ChildProcesses()
{
    stopAll();
}

bool ChildProcesses::adoptOrphans()
{
    return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

qint64 ChildProcesses::start(const QString& program, const QStringList& args,
                             const QString& logFile)
{
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return 0;
    // Everything the child needs is prepared here: after fork() only async-signal-safe calls.
    QList<QByteArray> storage{QFile::encodeName(path)};
    for (const QString& arg : args)
        storage.append(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    const QByteArray log = QFile::encodeName(logFile);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0)
        return 0;
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (in < 0 || out < 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::close_range(3, ~0U, 0);
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    ::setpgid(pid, pid); // the child may not have run yet when we signal its group
    m_children.push_back({pid, false, -1});
    return pid;
}

ChildProcesses::Child* ChildProcesses::find(qint64 pid)
{
    for (Child& child : m_children) {
        if (child.pid == pid)
            return &child;
    }
    return nullptr;
}

bool ChildProcesses::reap(Child& child, bool block)
{
    if (child.reaped)
        return true;
    int status = 0;
    const pid_t done = ::waitpid(pid_t(child.pid), &status, block ? 0 : WNOHANG);
    if (done == 0)
        return false;
    child.reaped = true;
    child.exitCode = done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool ChildProcesses::isRunning(qint64 pid)
{
    Child* child = find(pid);
    return child && !reap(*child, false);
}

std::optional<int> ChildProcesses::waitForExit(qint64 pid, int timeoutMs)
{
    Child* child = find(pid);
    if (!child)
        return std::nullopt;
    const QDeadlineTimer deadline(timeoutMs);
    while (!reap(*child, false)) {
        if (deadline.hasExpired()) {
            stop(pid, 0);
            return std::nullopt;
        }
        QThread::msleep(5);
    }
    const int exitCode = child->exitCode;
    forget(pid);
    return exitCode;
}

void ChildProcesses::stop(qint64 pid, int graceMs)
{
    Child* child = find(pid);
    if (!child)
        return;
    if (!child->reaped) {
        ::kill(-pid_t(pid), SIGTERM);
        const QDeadlineTimer deadline(graceMs);
        while (!reap(*child, false) && !deadline.hasExpired())
            QThread::msleep(5);
        if (!child->reaped) {
            ::kill(-pid_t(pid), SIGKILL);
            reap(*child, true);
        }
        // Whatever the leader left behind in its group, which keeps the id from being reused.
        ::kill(-pid_t(pid), SIGKILL);
    }
    forget(pid);
}

void ChildProcesses::forget(qint64 pid)
{
    std::erase_if(m_children, [pid](const Child& child) { return child.pid == pid; });
}

void ChildProcesses::stopAll()
{
    while (!m_children.empty())
        stop(m_children.back().pid);
    stopOrphans();
}

void ChildProcesses::stopOrphans()
{
    const qint64 self = ::getpid();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || parentOf(entry) != self)
            continue;
        ::kill(pid_t(pid), SIGKILL);
        ::waitpid(pid_t(pid), nullptr, 0);
    }
}

} // namespace tavlin
