#include "spotlight/CutoutView.h"

#include "spotlight/HoleShape.h"

#include <QPaintDevice>
#include <QPainter>

namespace tavlin {

void CutoutView::paint(QPainter& painter, const QSize& size, const QRegion& area, bool shaped)
{
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QImage& backdrop = scaledBackdrop(size, ratio);
    painter.save();
    // Device pixels on both sides: a plain copy, never a scaled draw, per frame.
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : area) {
        const QRect device =
            QRectF(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio).toAlignedRect() &
            backdrop.rect();
        painter.drawImage(device.topLeft(), backdrop, device);
    }
    painter.restore();
    if (shaped)
        return; // the shape already leaves the holes out, edge pixels whole
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QRect bounds = area.boundingRect();
    for (const QRectF& hole : std::as_const(m_holes)) {
        if (hole.intersects(bounds))
            painter.drawRoundedRect(hole, holeCornerRadius, holeCornerRadius);
    }
}

std::optional<QRegion> CutoutView::shape(const QSize& size) const
{
    return HoleShape::visibleRegion(QRect(QPoint(0, 0), size), m_holes, holeCornerRadius);
}

const QImage& CutoutView::scaledBackdrop(const QSize& size, qreal ratio)
{
    const QSize device = (QSizeF(size) * ratio).toSize();
    if (m_scaled.size() == device && m_scaledRatio == ratio)
        return m_scaled;
    m_scaled = QImage(device, QImage::Format_ARGB32_Premultiplied);
    m_scaledRatio = ratio;
    QPainter painter(&m_scaled);
    m_backdrop.drawAspectFill(painter, QRectF(QPointF(0, 0), QSizeF(device)));
    return m_scaled;
}

} // namespace tavlin
