#include "platform/DesktopScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace tavlin {

DesktopScreen DesktopScreen::of(const QScreen& screen)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QScreen*> ordered = screens;
    std::sort(ordered.begin(), ordered.end(), [](const QScreen* a, const QScreen* b) {
        const QPoint p = a->geometry().topLeft(), q = b->geometry().topLeft();
        return p.x() != q.x() ? p.x() < q.x() : p.y() < q.y();
    });
    DesktopScreen snapshot;
    snapshot.name = screen.name();
    snapshot.index = int(screens.indexOf(&screen));
    snapshot.leftToRight = int(ordered.indexOf(&screen));
    snapshot.count = int(screens.size());
    // Qt keeps a screen's corner where the window system has it and divides only its size.
    const QRect geometry = screen.geometry();
    snapshot.nativeArea = {geometry.topLeft(),
                           (QSizeF(geometry.size()) * screen.devicePixelRatio()).toSize()};
    return snapshot;
}

} // namespace tavlin
