#include "platform/linux/JsonSettingsStore.h"

#include "platform/linux/PosixFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLoggingCategory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlin {

namespace {

Q_LOGGING_CATEGORY(settingsLog, "tavlin.settings")

// A settings file is a few hundred bytes, but older versions kept the tidy's move log in it, so
// one may hold many megabytes; only something absurd is left unread.
constexpr qint64 maxFileSize = qint64(1) << 30;
// A writer that holds the folder's lock longer than this is stuck; the write fails instead.
constexpr int lockWaitMs = 5000;

bool isBlank(const QByteArray& data)
{
    return data.trimmed().isEmpty();
}

} // namespace

JsonSettingsStore::JsonSettingsStore(const QString& filePath)
    : m_path(filePath), m_encodedPath(QFile::encodeName(filePath))
{
}

QJsonValue JsonSettingsStore::value(const QString& key) const
{
    const QMutexLocker guard(&m_mutex);
    refresh();
    return m_values.value(key);
}

bool JsonSettingsStore::setValues(const Changes& changes)
{
    const QMutexLocker guard(&m_mutex);
    // Read-modify-write of the whole object under the folder's lock, so that a change another
    // process saves meanwhile is neither lost nor overwritten.
    const QByteArray folder = QFile::encodeName(QFileInfo(m_path).absolutePath());
    const int folderFd = PosixFiles::makeFolders(folder) == 0
                             ? ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : -1;
    const bool locked = folderFd >= 0 && PosixFiles::lockWithin(folderFd, lockWaitMs);
    refresh();
    QJsonObject next = m_values;
    for (const auto& [key, value] : changes) {
        if (value.isUndefined())
            next.remove(key);
        else
            next.insert(key, value);
    }
    const bool written = locked && write(next);
    if (folderFd >= 0)
        ::close(folderFd);
    if (!written)
        qCWarning(settingsLog, "Could not save the settings file %s", m_encodedPath.constData());
    // Either way this process goes on with what it asked for.
    m_values = next;
    return written;
}

JsonSettingsStore::FileIdentity JsonSettingsStore::currentIdentity() const
{
    struct stat st = {};
    if (::stat(m_encodedPath.constData(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size,
            static_cast<qint64>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

void JsonSettingsStore::refresh() const
{
    const FileIdentity now = currentIdentity();
    if (m_everLoaded && now == m_loaded)
        return;
    m_everLoaded = true;
    m_loaded = now;
    m_values = {};
    m_unreadable = false;
    m_tooLarge = false;
    if (!now.exists)
        return;

    QFile file(m_path);
    if (!QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly)) {
        // A folder where the file belongs, or a file we may not read: no values, and no write
        // will replace it behind the user's back.
        m_unreadable = QFileInfo(m_path).isFile();
        return;
    }
    if (file.size() > maxFileSize) {
        m_tooLarge = true;
        return;
    }
    const QByteArray data = file.readAll();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error == QJsonParseError::NoError && document.isObject())
        m_values = document.object();
    else
        m_unreadable = !isBlank(data);
}

bool JsonSettingsStore::write(const QJsonObject& values)
{
    if (m_tooLarge)
        return false;
    if (m_unreadable && !setAsideUnreadableFile())
        return false;
    // Every write is checked and synced before the new file takes the old one's name: a full
    // disk or a refused write leaves the old file as it was.
    const QByteArray data = QJsonDocument(values).toJson(QJsonDocument::Indented);
    if (PosixFiles::writeAtomically(m_encodedPath, data) != 0)
        return false;
    m_loaded = currentIdentity();
    m_everLoaded = true;
    m_unreadable = false;
    return true;
}

bool JsonSettingsStore::setAsideUnreadableFile()
{
    // The user may have hand-edited the file and made a mistake: keep their text next to it
    // rather than replacing it. rename() refuses an existing target, so nothing is lost.
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString aside = m_path + QStringLiteral(".unreadable-") + stamp;
    return QFile::rename(m_path, aside);
}

} // namespace tavlin
