#pragma once

#include "platform/ScreenMapping.h"
#include "platform/WindowInfo.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <QSet>
#include <QSize>
#include <optional>

// The cut-outs of spotlight mode. The global holes are in the window list's own coordinates
// (origin top-left, so no flip is needed); each overlay gets them in its own coordinates through
// the list's mapping for its screen.
namespace tavlin::HoleGeometry {

// Windows no larger than this in either direction, in an overlay's coordinates, get no hole.
inline constexpr double minimumSide = 40.0;

// The hole over one window, or none: the window must belong to a target process, be ordinary
// and not be fully transparent. The hole is the frame itself; rounding is added when drawing.
std::optional<QRectF> holeFor(const WindowInfo& window, const QSet<qint32>& targets);

// The holes of all target windows, in the window list's front-to-back order.
QList<QRectF> globalHoles(const QList<WindowInfo>& windows, const QSet<qint32>& targets);

// The holes as seen by an overlay covering the screen `mapping` describes, less those no more
// than minimumSide wide or high there. Nothing is clipped: a window spanning two screens gets a
// hole on both, and the part off a screen is simply not seen.
QList<QRectF> holesForOverlay(const QList<QRectF>& holes, const ScreenMapping& mapping);

// What an overlay of `size` must paint again when its holes go from `before` to `after`: where a
// hole appeared or left, with a pixel around for the antialiased edge; holes that stayed exactly
// where they were add nothing.
QRegion damage(const QList<QRectF>& before, const QList<QRectF>& after, const QSize& size);

} // namespace tavlin::HoleGeometry
