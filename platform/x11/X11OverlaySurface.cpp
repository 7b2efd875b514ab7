#include "platform/x11/X11OverlaySurface.h"

#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <xcb/xcb.h>

namespace tavlin {

namespace {

// Waits until the server has handled everything sent so far: a request's answer comes after.
void syncWithServer()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

} // namespace

X11OverlaySurface::X11OverlaySurface(OverlayLevel level, const QRect& geometry,
                                     OverlayContent& content, std::function<void()> restack)
    : m_level(level), m_widget(content), m_restack(std::move(restack))
{
    m_widget.setGeometry(geometry);
    connect(&m_widget, &X11OverlayWidget::painted, this, [this] {
        if (!m_awaitingFirstPaint)
            return;
        m_awaitingFirstPaint = false;
        // The backing store is sent once the paint event is done; it is in the window once
        // the server has answered a request sent after it.
        QTimer::singleShot(0, this, [this] {
            syncWithServer();
            Q_EMIT presented();
        });
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
    if (!m_widget.isShaped()) {
        m_widget.update(area);
        return;
    }
    // What the new shape leaves out is not seen: only what stays or comes into view is painted.
    m_widget.applyShape();
    const QRegion shown = m_widget.mask();
    m_widget.update(shown.isEmpty() ? area : area & shown);
}

} // namespace tavlin
