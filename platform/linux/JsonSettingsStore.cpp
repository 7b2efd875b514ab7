#include "platform/linux/JsonSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <sys/stat.h>

namespace tavlin {

namespace {

// A settings file is a few hundred bytes; anything far larger is not ours to parse.
constexpr qint64 maxFileSize = 16 * 1024 * 1024;

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
    refresh();
    return m_values.value(key);
}

void JsonSettingsStore::setValues(const Changes& changes)
{
    // Read-modify-write of the whole object, based on what another process may just have saved.
    refresh();
    QJsonObject next = m_values;
    for (const auto& [key, value] : changes) {
        if (value.isUndefined())
            next.remove(key);
        else
            next.insert(key, value);
    }
    if (!write(next))
        qWarning("Could not save the settings file %s", m_encodedPath.constData());
    // Either way this process goes on with what it asked for.
    m_values = next;
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
        m_unreadable = true;
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
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    if (m_unreadable && !setAsideUnreadableFile())
        return false;

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = QJsonDocument(values).toJson(QJsonDocument::Indented);
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
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
