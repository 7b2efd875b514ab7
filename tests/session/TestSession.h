#pragma once

#include "tests/session/ChildProcesses.h"
#include "tests/session/SessionHome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QScreen;

namespace tavlin {

// What every test session shares: a temporary home, the programs started in it with a log
// each, and what went wrong last. Start it before the QApplication exists and stop it after
// that is gone; every program it started dies with it.
class TestSession
{
public:
    virtual ~TestSession();
    TestSession(const TestSession&) = delete;
    TestSession& operator=(const TestSession&) = delete;

    virtual bool start() = 0;
    void stop();
    QString errorString() const { return m_error; }
    // Why no session can run on this machine at all (a program is not installed), else empty:
    // the only reason to skip rather than fail.
    virtual QString unavailableReason() const { return {}; }

    QString homePath() const;
    QString desktopFolder() const;
    // Room for a test's own files; removed with the session.
    QString scratchPath() const;
    // Writes `contents` to `path` inside the home, making folders on the way.
    bool writeHomeFile(const QString& path, const QByteArray& contents) const;

    // A program that shows no window of its own (a tray program); it dies with the session.
    qint64 startProgram(const QString& program, const QStringList& args = {});
    // Starts a program that opens a window and waits until the session shows it; the pid, or 0.
    qint64 startClient(const QString& program, const QStringList& args);
    // What a program started here wrote to stdout and stderr so far.
    QByteArray outputOf(qint64 pid) const;
    std::optional<int> waitForExit(qint64 pid, int timeoutMs);
    bool isRunning(qint64 pid);
    // Runs a program to its end, the application handling its events meanwhile; true when it
    // exited with 0 within `timeoutMs`.
    bool run(const QString& program, const QStringList& args, int timeoutMs = 10000,
             QByteArray* output = nullptr);

    // The application's screens, left to right.
    static QList<QScreen*> screensLeftToRight();

    // Polls `condition` until it holds or `timeoutMs` pass, letting the application (if any)
    // handle its events meanwhile.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

protected:
    TestSession() = default;
    // A fresh home named after `prefix`, whose environment holds while the session runs.
    bool prepare(const QString& prefix);
    // Whether the window of `pid` shows: what startClient() waits for.
    virtual bool showsWindowOf(qint64 pid) = 0;
    virtual void clear() {}
    bool fail(const QString& what, const QString& logName = {});

    std::unique_ptr<SessionHome> m_home;
    ChildProcesses m_children;
    static TestSession* s_current;

private:
    QString logName(const QString& program);

    QList<std::pair<qint64, QString>> m_logs; // pid, log name
    int m_runs = 0;
    QString m_error;
};

// The first of `items` (windows, applications) whose process is `pid`, or nothing.
template <typename Item> std::optional<Item> ofProcess(const QList<Item>& items, qint64 pid)
{
    for (const Item& item : items) {
        if (item.pid == pid)
            return item;
    }
    return std::nullopt;
}

} // namespace tavlin
