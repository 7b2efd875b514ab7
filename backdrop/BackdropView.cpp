#include "backdrop/BackdropView.h"

#include <QPainter>

namespace tavlin {

BackdropView::BackdropView(BackdropImage image, QWidget* parent)
    : QWidget(parent), m_image(std::move(image))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BackdropView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRect(rect());
    m_image.drawAspectFill(painter, QRectF(rect()));
}

} // namespace tavlin
