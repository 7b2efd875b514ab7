#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <utility>

namespace tavlin {

class ChildProcesses;

// The temporary folder a test session lives in: a home whose configuration the desktop's
// programs read instead of the user's, with a Desktop holding a few items, the session's own
// configuration files and logs. The environment points there while it exists; destroying it
// restores the environment and removes the folder.
class SessionHome
{
public:
    // `prefix` names the folder in the temporary directory ("tavlin-x11" …).
    explicit SessionHome(const QString& prefix);
    ~SessionHome();
    SessionHome(const SessionHome&) = delete;
    SessionHome& operator=(const SessionHome&) = delete;

    bool isValid() const { return m_valid; }

    QString path() const { return m_dir.path(); }
    QString homePath() const { return path() + QStringLiteral("/home"); }
    QString desktopFolder() const { return homePath() + QStringLiteral("/Desktop"); }
    QString scratchPath() const { return path() + QStringLiteral("/scratch"); }
    QString runtimePath() const { return path() + QStringLiteral("/run"); }
    QString logFile(const QString& name) const;
    QByteArray logTail(const QString& name) const;

    // Writes `contents` to `relativePath` inside the folder, making folders on the way.
    bool writeFile(const QString& relativePath, const QByteArray& contents) const;

    // A private session bus in the runtime folder, started by `children`; the environment
    // points to it. False when it did not come up.
    bool startBus(ChildProcesses& children);

    // Sets (or with nullopt unsets) a variable until this home is gone.
    void setEnvironment(const char* name, const std::optional<QByteArray>& value);

private:
    void removeAbandoned() const;
    bool writeFiles();
    void pointEnvironmentHere();

    QString m_prefix;
    QTemporaryDir m_dir;
    bool m_valid = false;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_savedEnvironment;
};

} // namespace tavlin
