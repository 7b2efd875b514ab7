#include "platform/wayland/gnome/GnomePictureFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QtEndian>
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
    if (!m_error.isEmpty() || image.isNull())
        return {};
    const QString file = QStringLiteral("%1/overlay-%2-%3.rgba")
                             .arg(m_path)
                             .arg(QCoreApplication::applicationPid())
                             .arg(++m_written);
    // Raw pixels after their size: nothing to encode here or to decode in the shell.
    const QImage pixels = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    QByteArray header(8, '\0');
    qToLittleEndian<quint32>(quint32(pixels.width()), header.data());
    qToLittleEndian<quint32>(quint32(pixels.height()), header.data() + 4);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(header) != header.size())
        return {};
    const qsizetype row = qsizetype(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y) {
        if (out.write(reinterpret_cast<const char*>(pixels.constScanLine(y)), row) != row)
            return {};
    }
    return out.commit() ? file : QString();
}

void GnomePictureFolder::remove(const QString& path)
{
    if (!path.isEmpty() && path.startsWith(m_path + QLatin1Char('/')))
        QFile::remove(path);
}

} // namespace tavlin
