#include "backdrop/BackdropView.h"

#include <QPainter>

namespace tavlin {

void BackdropView::paint(QPainter& painter, const QSize& size, const QRegion&, bool)
{
    m_image.drawAspectFill(painter, QRectF(QPointF(0, 0), QSizeF(size)));
}

} // namespace tavlin
