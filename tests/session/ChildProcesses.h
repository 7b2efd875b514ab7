#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tavlin {

// The background programs of a test session. Each runs in its own process group and dies with
// this process (parent-death signal), so that not even a crashed test leaves one behind.
class ChildProcesses
{
public:
    ChildProcesses() = default;
    ~ChildProcesses();
    ChildProcesses(const ChildProcesses&) = delete;
    ChildProcesses& operator=(const ChildProcesses&) = delete;

    // Makes this process adopt the orphans of its descendants, so stopAll() can find them.
    static bool adoptOrphans();
    // The parent of process `pid` according to /proc, or 0.
    static qint64 parentOf(const QString& pid);

    // Starts `program` (looked up in PATH) with its output appended to `logFile`; 0 on failure.
    qint64 start(const QString& program, const QStringList& args, const QString& logFile);

    bool isRunning(qint64 pid);
    // The exit code once the process has ended within `timeoutMs`; it is killed otherwise.
    // Either way it is forgotten.
    std::optional<int> waitForExit(qint64 pid, int timeoutMs);
    // Terminates the process and everything in its group; SIGKILL after `graceMs`.
    void stop(qint64 pid, int graceMs = 3000);
    // Stops every process started here, the latest first, then any adopted orphan.
    void stopAll();

private:
    struct Child
    {
        qint64 pid = 0;
        bool reaped = false;
        int exitCode = -1;
    };

    Child* find(qint64 pid);
    bool reap(Child& child, bool block);
    void forget(qint64 pid);
    void stopOrphans();

    std::vector<Child> m_children;
};

} // namespace tavlin
