#include "backdrop/BackdropImage.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavlin {

QSizeF BackdropImage::size() const
{
    return isGradient() ? gradientSize : QSizeF(m_image.size());
}

QRectF aspectFillRect(const QSizeF& imageSize, const QRectF& target)
{
    const double w = imageSize.width();
    const double h = imageSize.height();
    if (w <= 0 || h <= 0)
        return {};
    const double s = std::max(target.width() / w, target.height() / h);
    const QPointF centre = target.center();
    return {centre.x() - 0.5 * w * s, centre.y() - 0.5 * h * s, w * s, h * s};
}

void BackdropImage::drawAspectFill(QPainter& painter, const QRectF& target) const
{
    const QRectF rect = aspectFillRect(size(), target);
    if (rect.isEmpty())
        return;
    if (isGradient()) {
        drawSoftGradient(painter, rect);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, m_image);
    painter.restore();
}

void drawSoftGradient(QPainter& painter, const QRectF& rect)
{
    // A 70° wash, measured from the left edge towards the top: with y growing downwards the
    // direction's vertical part is negative. The end points are where the rectangle's corners
    // project onto that line, so the first colour starts exactly at the bottom-left corner.
    const double angle = 70.0 * std::numbers::pi / 180.0;
    const QPointF direction(std::cos(angle), -std::sin(angle));
    const double half =
        0.5 * (std::abs(rect.width() * direction.x()) + std::abs(rect.height() * direction.y()));
    QLinearGradient linear(rect.center() - direction * half, rect.center() + direction * half);
    linear.setColorAt(0, QColor::fromRgbF(0.10f, 0.12f, 0.17f));
    linear.setColorAt(1, QColor::fromRgbF(0.16f, 0.17f, 0.25f));
    painter.fillRect(rect, linear);

    // The highlight sits left of and above the centre; its outer circle reaches the farthest
    // corner so it fades out smoothly within the rectangle.
    const QPointF centre(rect.center().x() - 0.35 * rect.width() / 2,
                         rect.center().y() - 0.45 * rect.height() / 2);
    double radius = 0;
    for (const QPointF& corner :
         {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()})
        radius = std::max(radius, std::hypot(corner.x() - centre.x(), corner.y() - centre.y()));
    QRadialGradient radial(centre, radius);
    radial.setColorAt(0, QColor::fromRgbF(0.42f, 0.48f, 0.70f, 0.28f));
    radial.setColorAt(1, QColor::fromRgbF(0.42f, 0.48f, 0.70f, 0.0f));
    painter.fillRect(rect, radial);
}

} // namespace tavlin
