#include "spotlight/CutoutView.h"

#include "spotlight/HoleShape.h"

#include <QPainter>

namespace tavlin {

void CutoutView::paint(QPainter& painter, const QSize& size, const QRegion&, bool shaped)
{
    m_backdrop.drawAspectFill(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    if (shaped)
        return; // the shape already leaves the holes out, edge pixels whole
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& hole : std::as_const(m_holes))
        painter.drawRoundedRect(hole, holeCornerRadius, holeCornerRadius);
}

std::optional<QRegion> CutoutView::shape(const QSize& size) const
{
    return HoleShape::visibleRegion(QRect(QPoint(0, 0), size), m_holes, holeCornerRadius);
}

} // namespace tavlin
