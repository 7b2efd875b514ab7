#pragma once

#include "platform/SettingsStore.h"

#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <sys/types.h>

namespace tavlin {

// Settings kept as one indented JSON object in a file. The command line may change the file
// while the app runs, so every read checks whether it changed on disk since it was loaded, and
// every write reads, changes and replaces the file under a lock on its folder. Safe to use from
// several threads.
class JsonSettingsStore : public SettingsStore
{
public:
    explicit JsonSettingsStore(const QString& filePath);

    QJsonValue value(const QString& key) const override;
    bool setValues(const Changes& changes) override;

private:
    // What identifies one version of the file on disk.
    struct FileIdentity
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const FileIdentity&) const = default;
    };

    FileIdentity currentIdentity() const;
    void refresh() const;
    bool write(const QJsonObject& values);
    bool setAsideUnreadableFile();

    mutable QMutex m_mutex;
    QString m_path;
    QByteArray m_encodedPath;
    mutable QJsonObject m_values;
    mutable FileIdentity m_loaded;
    mutable bool m_everLoaded = false;
    // The file held something that is not a JSON object; kept until the next write.
    mutable bool m_unreadable = false;
    // Too large to be ours to read: it is never replaced, so nothing in it is lost.
    mutable bool m_tooLarge = false;
};

} // namespace tavlin
