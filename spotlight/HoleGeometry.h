#pragma once

#include "platform/WindowInfo.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <optional>

// The cut-outs of spotlight mode. The window list and the global holes are in the window
// system's own pixels (origin top-left, so no flip is needed); each overlay gets them in its own
// coordinates, scaled by its screen's device pixel ratio.
namespace tavlin::HoleGeometry {

// Windows no larger than this in either direction, in an overlay's coordinates, get no hole.
inline constexpr double minimumSide = 40.0;

// The hole over one window, or none: the window must belong to a target process, be ordinary
// and not be fully transparent. The hole is the frame itself; rounding is added when drawing.
std::optional<QRectF> holeFor(const WindowInfo& window, const QSet<qint32>& targets);

// The holes of all target windows, in the window list's front-to-back order.
QList<QRectF> globalHoles(const QList<WindowInfo>& windows, const QSet<qint32>& targets);

// The holes as seen by an overlay whose top-left corner is at `origin` (window-system pixels)
// on a screen of device pixel ratio `ratio`, less those no more than minimumSide wide or high
// there. Nothing is clipped: a window spanning two screens gets a hole on both, and the part
// off a screen is simply not seen.
QList<QRectF> holesForOverlay(const QList<QRectF>& holes, QPointF origin, qreal ratio);

// Whether an overlay must redraw: the lists differ in length or in some position, compared
// exactly (QRectF's own == is fuzzy and would miss sub-pixel moves).
bool holesChanged(const QList<QRectF>& before, const QList<QRectF>& after);

} // namespace tavlin::HoleGeometry
