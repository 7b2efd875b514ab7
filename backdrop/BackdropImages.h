#pragma once

#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImage.h"
#include "backdrop/WallpaperLookups.h"
#include "platform/DesktopPictures.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>

class QScreen;

namespace tavlin {

// Turns backdrops into pictures. A file is decoded once however many screens show it, and the
// same picture object is handed out for as long as some screen shows it; what no screen shows
// any more is let go, except the last few. Failures are not remembered, so a picture that
// comes back is found on the next call.
//
// Each screen's wallpaper is looked up off the GUI thread: screenImage() answers at once with
// what was found last (the soft gradient until anything was) and asks again; when the answer
// differs, wallpapersChanged() says so and the overlays showing the wallpaper are rebuilt.
class BackdropImages : public QObject
{
    Q_OBJECT
public:
    static constexpr int thumbnailMaxPixels = 96;
    static constexpr QSize thumbnailDisplaySize{32, 18};
    // Decoded pictures kept although no screen shows them, for switching back.
    static constexpr int spareDecoded = 2;

    // `pictureFolders` are searched in order for a built-in picture's exact file name. With a
    // QGuiApplication, the screens' wallpapers are looked up at once.
    BackdropImages(QStringList pictureFolders, const DesktopPictures* desktopPictures,
                   QObject* parent = nullptr);

    // The folders the built-in pictures are installed in, next to the program first.
    static QStringList defaultPictureFolders();

    // What an overlay on `screen` shows; the soft gradient whenever no picture can be had.
    BackdropImage screenImage(const Backdrop& backdrop, const QScreen* screen);

    // A built-in picture decoded small (at most 96 pixels on the longer side), for the menu,
    // where it is shown at 32x18. A null image when the file is missing or unreadable.
    QImage thumbnail(const QString& file);

    QString locatePicture(const QString& file) const;

    // Whether a wallpaper lookup is still running.
    bool isLookingUp() const { return m_lookups.isBusy(); }
    // How many full-size pictures are decoded and kept now.
    int decodedCount() const { return int(m_images.size()); }

Q_SIGNALS:
    // A screen's wallpaper turned out other than what screenImage() last gave for it.
    void wallpapersChanged();

private:
    BackdropImage loadFile(const QString& path);
    void lookUpWallpaper(const DesktopScreen& screen);
    void wallpaperFound(const WallpaperLookups::Found& found);
    void keep(const QString& path, const QImage& image);
    void letGoOfUnused();

    QStringList m_pictureFolders;
    QHash<QString, QImage> m_images;             // by file path
    QStringList m_recentlyUsed;                  // file paths, most recent last
    QString m_pictureInUse;                      // the built-in picture last shown
    QHash<QString, DesktopPicture> m_wallpapers; // by screen name: what was found last
    QHash<QString, QImage> m_thumbnails;         // by picture file name
    WallpaperLookups m_lookups;
};

} // namespace tavlin
