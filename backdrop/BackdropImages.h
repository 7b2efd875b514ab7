#pragma once

#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImage.h"
#include "platform/DesktopPictures.h"

#include <QHash>
#include <QImage>
#include <QSize>
#include <QStringList>

class QScreen;

namespace tavlin {

// Turns backdrops into pictures, and keeps every picture it decoded for the life of the
// program: a file is decoded once, however many screens show it. Failures are not remembered,
// so a picture that comes back is found on the next call.
class BackdropImages
{
public:
    static constexpr int thumbnailMaxPixels = 96;
    static constexpr QSize thumbnailDisplaySize{32, 18};

    // `pictureFolders` are searched in order for a built-in picture's exact file name.
    BackdropImages(QStringList pictureFolders, const DesktopPictures* desktopPictures);

    // The folders the built-in pictures are installed in, next to the program first.
    static QStringList defaultPictureFolders();

    // What an overlay on `screen` shows; the soft gradient whenever no picture can be had.
    BackdropImage screenImage(const Backdrop& backdrop, const QScreen* screen);

    // A built-in picture decoded small (at most 96 pixels on the longer side), for the menu,
    // where it is shown at 32x18. A null image when the file is missing or unreadable.
    QImage thumbnail(const QString& file);

    QString locatePicture(const QString& file) const;

private:
    BackdropImage loadFile(const QString& path);

    QStringList m_pictureFolders;
    const DesktopPictures* m_desktopPictures;
    QHash<QString, QImage> m_images;     // by file path
    QHash<QString, QImage> m_thumbnails; // by picture file name
};

} // namespace tavlin
