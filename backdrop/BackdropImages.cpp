#include "backdrop/BackdropImages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <QStandardPaths>

namespace tavlin {

BackdropImages::BackdropImages(QStringList pictureFolders, const DesktopPictures* desktopPictures,
                               QObject* parent)
    : QObject(parent), m_pictureFolders(std::move(pictureFolders)), m_lookups(desktopPictures)
{
    connect(&m_lookups, &WallpaperLookups::found, this, &BackdropImages::wallpaperFound);
    // Known before anything is shown, most of the time.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QList<QScreen*> screens = QGuiApplication::screens();
        for (const QScreen* screen : screens)
            lookUpWallpaper(DesktopScreen::of(*screen));
    }
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
        m_pictureInUse = locatePicture(backdrop.file());
        return m_pictureInUse.isEmpty() ? BackdropImage() : loadFile(m_pictureInUse);
    }
    case Backdrop::Kind::Wallpaper:
        break;
    }
    const DesktopScreen desktopScreen = screen ? DesktopScreen::of(*screen) : DesktopScreen();
    lookUpWallpaper(desktopScreen);
    const DesktopPicture known = m_wallpapers.value(desktopScreen.name);
    if (!known.file.isEmpty())
        return loadFile(known.file);
    return known.image.isNull() ? BackdropImage() : BackdropImage(known.image);
}

void BackdropImages::lookUpWallpaper(const DesktopScreen& screen)
{
    const QList<QString> decoded = m_images.keys();
    m_lookups.lookUp(screen, QSet<QString>(decoded.cbegin(), decoded.cend()),
                     m_wallpapers.value(screen.name));
}

void BackdropImages::wallpaperFound(const WallpaperLookups::Found& found)
{
    if (!found.decoded.isNull())
        keep(found.picture.file, found.decoded);
    const DesktopPicture before = m_wallpapers.value(found.screen);
    // An unreadable file shows the gradient, and is looked for again next time.
    m_wallpapers.insert(found.screen, found.readable ? found.picture : DesktopPicture());
    letGoOfUnused();
    if (!found.sameAsBefore && (found.readable || !before.file.isEmpty() || !before.image.isNull()))
        Q_EMIT wallpapersChanged();
}

BackdropImage BackdropImages::loadFile(const QString& path)
{
    if (const auto cached = m_images.constFind(path); cached != m_images.constEnd()) {
        m_recentlyUsed.removeAll(path);
        m_recentlyUsed.append(path);
        return BackdropImage(*cached);
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    keep(path, image);
    letGoOfUnused();
    return BackdropImage(image);
}

void BackdropImages::keep(const QString& path, const QImage& image)
{
    if (!m_images.contains(path))
        m_images.insert(path, image);
    m_recentlyUsed.removeAll(path);
    m_recentlyUsed.append(path);
}

void BackdropImages::letGoOfUnused()
{
    // What a screen shows keeps its picture, so the same file always gives the same object.
    QSet<QString> inUse{m_pictureInUse};
    for (const DesktopPicture& wallpaper : std::as_const(m_wallpapers))
        inUse.insert(wallpaper.file);
    int spare = 0;
    for (qsizetype i = m_recentlyUsed.size(); i-- > 0;) {
        const QString& path = m_recentlyUsed.at(i);
        if (inUse.contains(path) || ++spare <= spareDecoded)
            continue;
        m_images.remove(path);
        m_recentlyUsed.removeAt(i);
    }
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
