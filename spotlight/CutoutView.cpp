#include "spotlight/CutoutView.h"

#include "spotlight/HoleShape.h"

#include <QPainter>

namespace tavlin {

CutoutView::CutoutView(BackdropImage backdrop, QWidget* parent)
    : QWidget(parent), m_backdrop(std::move(backdrop))
{
}

void CutoutView::redraw()
{
    if (m_shaped)
        applyShape();
    update();
}

void CutoutView::setShaped(bool shaped)
{
    if (m_shaped == shaped)
        return;
    m_shaped = shaped;
    if (shaped)
        applyShape();
    else
        window()->clearMask();
    update();
}

void CutoutView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRect(rect());
    m_backdrop.drawAspectFill(painter, QRectF(rect()));
    if (m_shaped)
        return; // the window's shape already leaves the holes out
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QRectF& hole : std::as_const(m_holes))
        painter.drawRoundedRect(hole, holeCornerRadius, holeCornerRadius);
}

void CutoutView::resizeEvent(QResizeEvent* event)
{
    if (m_shaped)
        applyShape();
    QWidget::resizeEvent(event);
}

void CutoutView::applyShape()
{
    // The view fills its window, so its coordinates are the window's.
    window()->setMask(HoleShape::visibleRegion(rect(), m_holes, holeCornerRadius));
}

} // namespace tavlin
