#pragma once

#include "Random.h"

#include <QPainterPath>
#include <QPolygonF>

namespace tavlin::backdrops {

// A fir as a painter blocks it in: a leaning spire, then boughs that sag from the trunk in
// uneven clumps, longer and heavier lower down. `lit` holds the upper sides of the sunward
// boughs, for a lighter tone over `body`.
struct FirTree
{
    QPainterPath body;
    QPainterPath lit;
};

FirTree firTree(Random& rng, QPointF base, double height, double width);
// A stand of firs rooted along `ground`, their heights wandering with the lie of the land.
QPainterPath firRow(Random& rng, const QPolygonF& ground, double minHeight, double maxHeight,
                    double spacing, double sink);

} // namespace tavlin::backdrops
