#include "platform/wayland/gnome/GnomePictureFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <sys/stat.h>
#include <unistd.h>

namespace tavlin {

GnomePictureFolder::GnomePictureFolder(const QString& runtimeDir)
{
    if (!runtimeDir.startsWith(QLatin1Char('/'))) {
        m_error = QStringLiteral("XDG_RUNTIME_DIR is not set");
        return;
    }
    m_path = runtimeDir + QStringLiteral("/tavlin");
    const QByteArray path = QFile::encodeName(m_path);
    ::mkdir(path.constData(), 0700);
    // Only a real folder of ours that nobody else can read: the pictures show the screen.
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        m_error = QStringLiteral("%1 is not a private folder of this user").arg(m_path);
}

QString GnomePictureFolder::write(const QImage& image)
{
    if (!m_error.isEmpty())
        return {};
    const QString file = QStringLiteral("%1/overlay-%2-%3.png")
                             .arg(m_path)
                             .arg(QCoreApplication::applicationPid())
                             .arg(++m_written);
    QSaveFile out(file);
    // Barely compressed: the file lives in memory for a moment, speed matters more than size.
    if (!out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG", 90) || !out.commit())
        return {};
    return file;
}

void GnomePictureFolder::remove(const QString& path)
{
    if (!path.isEmpty() && path.startsWith(m_path + QLatin1Char('/')))
        QFile::remove(path);
}

} // namespace tavlin
