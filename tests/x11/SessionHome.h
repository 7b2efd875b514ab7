#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <utility>

namespace tavlin {

// The temporary folder a test session lives in: a home whose configuration the desktop's
// programs read instead of the user's, the session's own configuration files and logs. The
// environment points there while it exists; destroying it restores the environment and
// removes the folder.
class SessionHome
{
public:
    // The colour pcmanfm is told to paint the desktop with.
    static constexpr QRgb desktopColor = 0xff204060;

    SessionHome();
    ~SessionHome();
    SessionHome(const SessionHome&) = delete;
    SessionHome& operator=(const SessionHome&) = delete;

    bool isValid() const { return m_valid; }

    QString path() const { return m_dir.path(); }
    QString homePath() const { return path() + QStringLiteral("/home"); }
    QString desktopFolder() const { return homePath() + QStringLiteral("/Desktop"); }
    QString scratchPath() const { return path() + QStringLiteral("/scratch"); }
    QString runtimePath() const { return path() + QStringLiteral("/run"); }
    QString openboxConfig() const { return path() + QStringLiteral("/openbox.xml"); }
    QString picomConfig() const { return path() + QStringLiteral("/picom.conf"); }
    QString logFile(const QString& name) const;
    QByteArray logTail(const QString& name) const;

    // Sets (or with nullopt unsets) a variable until this home is gone.
    void setEnvironment(const char* name, const std::optional<QByteArray>& value);

private:
    static void removeAbandoned();
    bool writeFiles();
    void pointEnvironmentHere();

    QTemporaryDir m_dir;
    bool m_valid = false;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_savedEnvironment;
};

} // namespace tavlin
