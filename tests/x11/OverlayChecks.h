#pragma once

#include "backdrop/OverlayWindow.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QRgb>

// What the X11 session's screen shows of the overlays.
namespace tavlin {

// Whether the screen shows `rect` through a hole, the `window` colour inside and `backdrop`
// around it: just inside and just outside each corner the rounding stops exactly (the straight
// edges run into the corners, the very corner pixel is rounded off). The radius is in Qt's units,
// so it grows with the scale.
bool holeShowsWindow(const QRect& rect, QRgb window, QRgb backdrop);
// Whether every monitor shows its colour edge to edge; no colours: the soft gradient, drawn to
// each monitor's own size, at three points.
bool monitorsShow(const QList<QRgb>& expected);
// Whether pcmanfm's first icon, at the top left of the first monitor, is hidden.
bool iconsCovered();
bool anyVisible(const QList<QPointer<OverlayWindow>>& windows);
bool allVisible(const QList<QPointer<OverlayWindow>>& windows);
// How often the main thread went to sleep and was woken while the event loop ran for `ms`.
long wakeUpsWhileIdle(int ms);

} // namespace tavlin
