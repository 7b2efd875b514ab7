#pragma once

#include "platform/DesktopScreen.h"

#include <QImage>
#include <QString>

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
    // May take a while (it may run the desktop's own tools): call it off the GUI thread. Safe
    // to call from any thread.
    virtual DesktopPicture pictureFor(const DesktopScreen& screen) const = 0;
};

} // namespace tavlin
