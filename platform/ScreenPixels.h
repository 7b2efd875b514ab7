#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>

class QScreen;

// Where the window system's own pixels land in Qt's coordinates. Qt keeps each screen's
// top-left corner at its position in window-system pixels and divides only what lies inside
// the screen by that screen's device pixel ratio, so at a scale other than 1 the global
// space has gaps between screens and one rectangle cannot be mapped once for all of them.
namespace tavlin::ScreenPixels {

// The screen's area in window-system pixels.
QRect nativeGeometry(const QScreen& screen);

// `native` as seen from a window covering a screen whose top-left corner lies at `origin`
// (the same in both spaces) and whose device pixel ratio is `ratio`.
QRectF toScreenLocal(const QRectF& native, QPointF origin, qreal ratio);

// The screen showing the window-system pixel `native`, or none.
QScreen* screenAt(QPointF native);

} // namespace tavlin::ScreenPixels
