#pragma once

#include <QImage>
#include <QString>

class QScreen;

namespace tavlin {

// The picture the desktop environment shows on one screen: a file when its settings name one,
// else the pixels of the root window's background under that screen. Both empty when unknown.
struct DesktopPicture
{
    QString file;
    QImage image;
};

class DesktopPictures
{
public:
    virtual ~DesktopPictures() = default;
    virtual DesktopPicture pictureFor(const QScreen* screen) const = 0;
};

} // namespace tavlin
