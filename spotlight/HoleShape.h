#pragma once

#include <QList>
#include <QRect>
#include <QRectF>
#include <QRegion>

// The shape of an overlay that cannot blend: everything but the rounded holes.
namespace tavlin::HoleShape {

// `area` minus every hole rounded by `radius`; a pixel belongs to a hole when its centre does.
QRegion visibleRegion(const QRect& area, const QList<QRectF>& holes, double radius);

} // namespace tavlin::HoleShape
