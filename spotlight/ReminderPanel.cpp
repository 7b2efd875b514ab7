#include "spotlight/ReminderPanel.h"

#include <QPainter>
#include <QRegion>

namespace tavlin {

namespace {

constexpr QRgb translucentFill = qRgba(28, 28, 30, 219);
constexpr QRgb opaqueFill = qRgb(28, 28, 30);
// A faint light rim keeps the dark panel apart from dark windows beneath it.
constexpr QRgb rimColor = qRgba(255, 255, 255, 26);

} // namespace

QPainterPath ReminderPanel::outline(const QSize& size)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), cornerRadius, cornerRadius);
    return path;
}

std::optional<QRegion> ReminderPanel::shape(const QSize& size) const
{
    return QRegion(outline(size).toFillPolygon().toPolygon());
}

void ReminderPanel::paint(QPainter& painter, const QSize& size, const QRegion&, bool shaped)
{
    painter.setRenderHint(QPainter::Antialiasing);
    // Cut to its outline, a translucent panel would show black beneath: opaque then.
    painter.fillPath(outline(size),
                     shaped ? QColor(opaqueFill) : QColor::fromRgba(translucentFill));
    painter.setPen(QPen(QColor::fromRgba(rimColor), 1.0));
    painter.setBrush(Qt::NoBrush);
    const double inner = cornerRadius - 0.5;
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5),
                            inner, inner);
    m_view.paint(painter);
}

} // namespace tavlin
