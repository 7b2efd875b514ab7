#include "platform/x11/X11OverlayWidget.h"

#include "platform/OverlayContent.h"

#include <QPaintEvent>
#include <QPainter>

namespace tavlin {

X11OverlayWidget::X11OverlayWidget(OverlayContent& content)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_content(content)
{
    // Transparent-backed: Qt clears each painted area to transparent first.
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Tavlin"));
}

void X11OverlayWidget::setShaped(bool shaped)
{
    if (m_shaped == shaped)
        return;
    m_shaped = shaped;
    applyShape();
    update();
}

void X11OverlayWidget::applyShape()
{
    const std::optional<QRegion> shape = m_shaped ? m_content.shape(size()) : std::nullopt;
    if (shape)
        setMask(*shape);
    else
        clearMask();
}

void X11OverlayWidget::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        m_content.paint(painter, size(), event->region(), m_shaped);
    }
    Q_EMIT painted();
}

void X11OverlayWidget::resizeEvent(QResizeEvent* event)
{
    if (m_shaped)
        applyShape();
    QWidget::resizeEvent(event);
}

} // namespace tavlin
