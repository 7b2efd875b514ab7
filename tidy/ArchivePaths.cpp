#include "tidy/ArchivePaths.h"

#include "tidy/FileName.h"
#include "tidy/TidyKeys.h"

#include <QDateTime>
#include <cmath>

namespace tavlin {

bool itemExists(const FileSystem& fileSystem, const QByteArray& path)
{
    return fileSystem.stat(path).has_value();
}

QByteArray uniqueName(const QByteArray& name, const std::function<bool(const QByteArray&)>& taken)
{
    if (!taken(name))
        return name;
    const QByteArray base = FileName::withoutExtension(name);
    const QByteArray ext = FileName::extension(name);
    for (qint64 n = 2;; ++n) {
        QByteArray candidate = base + ' ' + QByteArray::number(n);
        if (!ext.isEmpty())
            candidate += '.' + ext;
        if (!taken(candidate))
            return candidate;
    }
}

QByteArray uniqueDestination(const FileSystem& fileSystem, const QByteArray& folder,
                             const QByteArray& name)
{
    return FileName::join(folder, uniqueName(name, [&](const QByteArray& candidate) {
                              return itemExists(fileSystem, FileName::join(folder, candidate));
                          }));
}

QByteArray archiveRoot(const QByteArray& desktop)
{
    return FileName::join(desktop, QByteArray(TidyKeys::archiveFolderName));
}

QByteArray monthFolderName(double secondsSinceEpoch)
{
    const auto msecs = qint64(std::floor(secondsSinceEpoch * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime)
        .toString(QStringLiteral("yyyy-MM"))
        .toLatin1();
}

} // namespace tavlin
