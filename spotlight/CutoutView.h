#pragma once

#include "backdrop/BackdropImage.h"
#include "platform/OverlayContent.h"

#include <QImage>
#include <QList>
#include <QRectF>

namespace tavlin {

// Fills its overlay with the backdrop and leaves rounded holes where the target windows are:
// cleared to transparent with smooth corners, and cut out of the shape where the window system
// cannot blend.
class CutoutView : public OverlayContent
{
public:
    static constexpr double holeCornerRadius = 10.0;

    explicit CutoutView(BackdropImage backdrop) : m_backdrop(std::move(backdrop)) {}

    const BackdropImage& backdrop() const { return m_backdrop; }

    // In the overlay's coordinates. Setting them does not repaint: the overlay's update() does.
    const QList<QRectF>& holes() const { return m_holes; }
    void setHoles(QList<QRectF> holes) { m_holes = std::move(holes); }

    // Paints only `area`: a copy of the backdrop scaled once to the painter's device pixels,
    // with the holes cleared where they meet it.
    void paint(QPainter& painter, const QSize& size, const QRegion& area, bool shaped) override;
    std::optional<QRegion> shape(const QSize& size) const override;

private:
    const QImage& scaledBackdrop(const QSize& size, qreal ratio);

    BackdropImage m_backdrop;
    QImage m_scaled; // the backdrop cropped to the surface, in its device pixels
    qreal m_scaledRatio = 0;
    QList<QRectF> m_holes;
};

} // namespace tavlin
