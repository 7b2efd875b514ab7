#include "Canvas.h"

namespace tavlin::backdrops {

Canvas::Canvas(QSize size) : m_image(size, QImage::Format_RGB32), m_painter()
{
    m_image.fill(Qt::white);
    m_painter.begin(&m_image);
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setPen(Qt::NoPen);
}

QImage Canvas::finish()
{
    if (m_painter.isActive())
        m_painter.end();
    return m_image;
}

} // namespace tavlin::backdrops
