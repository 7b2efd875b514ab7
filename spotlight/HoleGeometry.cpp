#include "spotlight/HoleGeometry.h"

#include "platform/ScreenPixels.h"

namespace tavlin::HoleGeometry {

namespace {

bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

std::optional<QRectF> holeFor(const WindowInfo& window, const QSet<qint32>& targets)
{
    if (!window.pid || !targets.contains(*window.pid)) {
        return std::nullopt;
    }
    if (!window.ordinary) {
        return std::nullopt;
    }
    // Written so that NaN fails too.
    if (window.opacity && !(*window.opacity > 0.0)) {
        return std::nullopt;
    }
    if (window.bounds.isEmpty()) {
        return std::nullopt;
    }
    return window.bounds;
}

QList<QRectF> globalHoles(const QList<WindowInfo>& windows, const QSet<qint32>& targets)
{
    QList<QRectF> holes;
    if (targets.isEmpty()) {
        return holes;
    }
    for (const WindowInfo& window : windows) {
        if (const std::optional<QRectF> hole = holeFor(window, targets)) {
            holes.append(*hole);
        }
    }
    return holes;
}

QList<QRectF> holesForOverlay(const QList<QRectF>& holes, QPointF origin, qreal ratio)
{
    QList<QRectF> own;
    own.reserve(holes.size());
    for (const QRectF& hole : holes) {
        const QRectF local = ScreenPixels::toScreenLocal(hole, origin, ratio);
        if (local.width() > minimumSide && local.height() > minimumSide) {
            own.append(local);
        }
    }
    return own;
}

bool holesChanged(const QList<QRectF>& before, const QList<QRectF>& after)
{
    if (before.size() != after.size()) {
        return true;
    }
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (!sameRect(before.at(i), after.at(i))) {
            return true;
        }
    }
    return false;
}

} // namespace tavlin::HoleGeometry
