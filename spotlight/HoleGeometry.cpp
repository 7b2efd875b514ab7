#include "spotlight/HoleGeometry.h"

#include <algorithm>

namespace tavlin::HoleGeometry {

namespace {

bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

bool contains(const QList<QRectF>& holes, const QRectF& hole)
{
    return std::any_of(holes.begin(), holes.end(),
                       [&](const QRectF& other) { return sameRect(other, hole); });
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

QList<QRectF> holesForOverlay(const QList<QRectF>& holes, const ScreenMapping& mapping)
{
    QList<QRectF> own;
    own.reserve(holes.size());
    for (const QRectF& hole : holes) {
        const QRectF local = mapping.toLocal(hole);
        if (local.width() > minimumSide && local.height() > minimumSide) {
            own.append(local);
        }
    }
    return own;
}

QRegion damage(const QList<QRectF>& before, const QList<QRectF>& after, const QSize& size)
{
    QRegion changed;
    const auto add = [&](const QList<QRectF>& holes, const QList<QRectF>& others) {
        for (const QRectF& hole : holes) {
            if (!contains(others, hole))
                changed += hole.toAlignedRect().adjusted(-1, -1, 1, 1);
        }
    };
    add(before, after);
    add(after, before);
    return changed & QRect(QPoint(0, 0), size);
}

} // namespace tavlin::HoleGeometry
