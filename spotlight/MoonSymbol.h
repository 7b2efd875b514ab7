#pragma once

#include <QPainterPath>
#include <QRectF>

namespace tavlin {

// A filled crescent moon, its horns pointing up and to the right, filling the largest square
// centred in `bounds`. Empty for an empty rectangle.
QPainterPath moonPath(const QRectF& bounds);

} // namespace tavlin
