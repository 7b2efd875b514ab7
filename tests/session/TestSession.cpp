#include "tests/session/TestSession.h"

#include "tests/session/WaitFor.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace tavlin {

TestSession* TestSession::s_current = nullptr;

TestSession::~TestSession()
{
    // Derived sessions have nothing left to stop by now: only the programs and the home.
    stop();
}

bool TestSession::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return tavlin::waitFor(condition, timeoutMs);
}

QList<QScreen*> TestSession::screensLeftToRight()
{
    QList<QScreen*> screens = QGuiApplication::screens();
    std::sort(screens.begin(), screens.end(), [](const QScreen* a, const QScreen* b) {
        return a->geometry().x() < b->geometry().x();
    });
    return screens;
}

bool TestSession::prepare(const QString& prefix)
{
    stop();
    m_error.clear();
    ChildProcesses::adoptOrphans();
    m_home = std::make_unique<SessionHome>(prefix);
    if (!m_home->isValid())
        return fail(QStringLiteral("cannot prepare a temporary home"));
    s_current = this;
    return true;
}

void TestSession::stop()
{
    if (s_current == this)
        s_current = nullptr;
    clear();
    m_children.stopAll();
    m_logs.clear();
    m_home.reset();
}

QString TestSession::homePath() const
{
    return m_home ? m_home->homePath() : QString();
}

QString TestSession::desktopFolder() const
{
    return m_home ? m_home->desktopFolder() : QString();
}

QString TestSession::scratchPath() const
{
    return m_home ? m_home->scratchPath() : QString();
}

bool TestSession::writeHomeFile(const QString& path, const QByteArray& contents) const
{
    return m_home && m_home->writeFile(QStringLiteral("home/") + path, contents);
}

bool TestSession::fail(const QString& what, const QString& logName)
{
    m_error = what;
    if (!logName.isEmpty() && m_home)
        m_error += QStringLiteral("\n--- %1 ---\n").arg(logName) +
                   QString::fromLocal8Bit(m_home->logTail(logName));
    return false;
}

QString TestSession::logName(const QString& program)
{
    return QFileInfo(program).fileName() + QString::number(++m_runs);
}

qint64 TestSession::startProgram(const QString& program, const QStringList& args)
{
    const QString log = logName(program);
    const qint64 pid = m_children.start(program, args, m_home->logFile(log));
    if (pid)
        m_logs.append({pid, log});
    return pid;
}

qint64 TestSession::startClient(const QString& program, const QStringList& args)
{
    const qint64 pid = startProgram(program, args);
    if (!pid) {
        fail(QStringLiteral("cannot start ") + program);
        return 0;
    }
    const bool shown =
        waitFor([&] { return !m_children.isRunning(pid) || showsWindowOf(pid); }, 20000);
    if (!shown || !m_children.isRunning(pid)) {
        fail(program + QStringLiteral(" showed no window: ") +
             QString::fromLocal8Bit(outputOf(pid)));
        m_children.stop(pid);
        return 0;
    }
    return pid;
}

QByteArray TestSession::outputOf(qint64 pid) const
{
    for (const auto& [loggedPid, log] : m_logs) {
        if (loggedPid == pid) {
            QFile file(m_home->logFile(log));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }
    }
    return {};
}

std::optional<int> TestSession::waitForExit(qint64 pid, int timeoutMs)
{
    return m_children.waitForExit(pid, timeoutMs);
}

bool TestSession::isRunning(qint64 pid)
{
    return m_children.isRunning(pid);
}

bool TestSession::run(const QString& program, const QStringList& args, int timeoutMs,
                      QByteArray* output)
{
    const QString log = logName(program);
    const qint64 pid = m_children.start(program, args, m_home->logFile(log));
    // The application keeps handling its events meanwhile: its animations and timers run on.
    if (pid)
        waitFor([&] { return !m_children.isRunning(pid); }, timeoutMs);
    const std::optional<int> exitCode = pid ? m_children.waitForExit(pid, 0) : std::nullopt;
    QFile file(m_home->logFile(log));
    if (output)
        *output = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (exitCode == 0) {
        QFile::remove(m_home->logFile(log)); // thousands of polls would fill the folder
        return true;
    }
    return fail(QStringLiteral("%1 %2 failed").arg(program, args.join(QLatin1Char(' '))), log);
}

} // namespace tavlin
