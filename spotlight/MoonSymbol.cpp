#include "spotlight/MoonSymbol.h"

#include <algorithm>

namespace tavlin {

QPainterPath moonPath(const QRectF& bounds)
{
    const double side = std::min(bounds.width(), bounds.height());
    if (!(side > 0.0))
        return {};
    const double radius = side / 2.0;
    const QPointF centre = bounds.center();
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    // A smaller disc shifted up and to the right bites the crescent out of the full one; it
    // reaches past the rim there, so the horns end in points.
    const double shift = 0.44 * radius;
    QPainterPath bite;
    bite.addEllipse(centre + QPointF(shift, -shift), 0.8 * radius, 0.8 * radius);
    return disc.subtracted(bite);
}

} // namespace tavlin
