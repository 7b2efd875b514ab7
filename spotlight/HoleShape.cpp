#include "spotlight/HoleShape.h"

#include <QPainterPath>
#include <QPolygon>
#include <cmath>

namespace tavlin::HoleShape {

namespace {

// One hole as whole pixels, a pixel belonging to it when its centre does: the rows of the
// rounded ends one by one, the straight middle as one band. Built from sorted, disjoint rows,
// which is what QRegion keeps internally anyway.
QRegion roundedHole(const QRectF& hole, double radius)
{
    const double r = std::min({radius, hole.width() / 2, hole.height() / 2});
    const int top = int(std::ceil(hole.top() - 0.5));
    const int bottom = int(std::ceil(hole.bottom() - 0.5)); // exclusive
    const auto span = [&](int y, double inset) {
        const int left = int(std::ceil(hole.left() + inset - 0.5));
        const int right = int(std::ceil(hole.right() - inset - 0.5));
        return QRect(left, y, std::max(0, right - left), 1);
    };
    QList<QRect> rows;
    int y = top;
    for (; y < bottom; ++y) {
        const double cy = y + 0.5;
        const double edge = std::min(cy - hole.top(), hole.bottom() - cy);
        if (edge >= r) {
            // The straight middle: from here to the first row of the lower rounded end.
            int end = y;
            while (end < bottom && hole.bottom() - (end + 0.5) >= r)
                ++end;
            QRect band = span(y, 0);
            band.setHeight(end - y);
            if (!band.isEmpty())
                rows.append(band);
            y = end - 1;
            continue;
        }
        const double dy = r - edge;
        const QRect row = span(y, r - std::sqrt(std::max(0.0, r * r - dy * dy)));
        if (!row.isEmpty())
            rows.append(row);
    }
    QRegion region;
    region.setRects(rows.constData(), int(rows.size()));
    return region;
}

} // namespace

QRegion visibleRegion(const QRect& area, const QList<QRectF>& holes, double radius)
{
    QRegion region(area);
    for (const QRectF& hole : holes) {
        if (hole.intersects(QRectF(area)))
            region -= roundedHole(hole, radius);
    }
    return region;
}

} // namespace tavlin::HoleShape
