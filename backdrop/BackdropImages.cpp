#include "backdrop/BackdropImages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

namespace tavlin {

BackdropImages::BackdropImages(QStringList pictureFolders, const DesktopPictures* desktopPictures)
    : m_pictureFolders(std::move(pictureFolders)), m_desktopPictures(desktopPictures)
{
}

QStringList BackdropImages::defaultPictureFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    QStringList folders{here + QStringLiteral("/resources"),
                        here + QStringLiteral("/../share/tavlin/backdrops")};
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(data + QStringLiteral("/tavlin/backdrops"));
    return folders;
}

QString BackdropImages::locatePicture(const QString& file) const
{
    // Only plain names: a stored value must not reach outside the picture folders.
    if (file.isEmpty() || file.contains(QLatin1Char('/')) || file.startsWith(QLatin1Char('.')))
        return {};
    for (const QString& folder : m_pictureFolders) {
        const QString path = folder + QLatin1Char('/') + file;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

BackdropImage BackdropImages::screenImage(const Backdrop& backdrop, const QScreen* screen)
{
    switch (backdrop.kind()) {
    case Backdrop::Kind::Gradient:
        return {};
    case Backdrop::Kind::Image: {
        const QString path = locatePicture(backdrop.file());
        return path.isEmpty() ? BackdropImage() : loadFile(path);
    }
    case Backdrop::Kind::Wallpaper:
        break;
    }
    if (!m_desktopPictures)
        return {};
    const DesktopPicture picture = m_desktopPictures->pictureFor(screen);
    if (!picture.file.isEmpty())
        return loadFile(picture.file);
    return picture.image.isNull() ? BackdropImage() : BackdropImage(picture.image);
}

BackdropImage BackdropImages::loadFile(const QString& path)
{
    if (const auto cached = m_images.constFind(path); cached != m_images.constEnd())
        return BackdropImage(*cached);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    m_images.insert(path, image);
    return BackdropImage(image);
}

QImage BackdropImages::thumbnail(const QString& file)
{
    if (const auto cached = m_thumbnails.constFind(file); cached != m_thumbnails.constEnd())
        return *cached;
    const QString path = locatePicture(file);
    if (path.isEmpty())
        return {};
    // A small copy ships beside the pictures (WebP cannot be decoded at a reduced size, so a
    // thumbnail made from the picture itself costs a full decode); the picture itself is the
    // fallback, decoded as small as its format allows.
    const QFileInfo picture(path);
    const QString small = picture.path() + QStringLiteral("/thumbnails/") +
                          picture.completeBaseName() + QStringLiteral(".png");
    QImageReader reader(QFileInfo(small).isFile() ? small : path);
    const QSize full = reader.size();
    if (!full.isValid() || full.isEmpty())
        return {};
    reader.setScaledSize(
        full.scaled(thumbnailMaxPixels, thumbnailMaxPixels, Qt::KeepAspectRatio).boundedTo(full));
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    m_thumbnails.insert(file, image);
    return image;
}

} // namespace tavlin
