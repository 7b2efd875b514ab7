#pragma once

#include <QPointF>
#include <QRectF>

namespace tavlin {

// How a window list's rectangles land on one screen, in the coordinates of a surface covering
// that screen (its logical pixels, origin at its top-left corner).
struct ScreenMapping
{
    QPointF origin;  // the screen's top-left corner, in the list's coordinates
    qreal scale = 1; // the list's units per logical pixel on this screen

    QPointF toLocal(const QPointF& point) const { return (point - origin) / scale; }
    QRectF toLocal(const QRectF& rect) const
    {
        return {toLocal(rect.topLeft()), rect.size() / scale};
    }
};

} // namespace tavlin
