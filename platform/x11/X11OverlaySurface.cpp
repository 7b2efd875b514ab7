#include "platform/x11/X11OverlaySurface.h"

#include <QTimer>

namespace tavlin {

X11OverlaySurface::X11OverlaySurface(OverlayLevel level, const QRect& geometry,
                                     OverlayContent& content, std::function<void()> restack)
    : m_level(level), m_widget(content), m_restack(std::move(restack))
{
    m_widget.setGeometry(geometry);
    connect(&m_widget, &X11OverlayWidget::painted, this, [this] {
        if (!m_awaitingFirstPaint)
            return;
        m_awaitingFirstPaint = false;
        // The backing store reaches the window once the paint event is done.
        QTimer::singleShot(0, this, &OverlaySurface::presented);
    });
}

X11OverlaySurface::~X11OverlaySurface() = default;

void X11OverlaySurface::setLevel(OverlayLevel level)
{
    m_level = level;
    if (m_restack)
        m_restack();
}

void X11OverlaySurface::show()
{
    if (m_widget.isVisible())
        return;
    m_awaitingFirstPaint = true;
    m_widget.show();
    if (m_restack)
        m_restack();
}

void X11OverlaySurface::hide()
{
    m_widget.hide();
}

void X11OverlaySurface::update(const QRegion& area)
{
    if (m_widget.isShaped())
        m_widget.applyShape();
    m_widget.update(area);
}

} // namespace tavlin
