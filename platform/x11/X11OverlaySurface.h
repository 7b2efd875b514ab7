#pragma once

#include "platform/OverlaySurface.h"
#include "platform/x11/X11OverlayWidget.h"

#include <functional>

namespace tavlin {

// An overlay surface on X11: a top-level window whose stacking X11OverlaySurfaces keeps.
class X11OverlaySurface : public OverlaySurface
{
    Q_OBJECT
public:
    // `restack` is asked to put the surface in its place after it shows or changes level.
    X11OverlaySurface(OverlayLevel level, const QRect& geometry, OverlayContent& content,
                      std::function<void()> restack);
    ~X11OverlaySurface() override;

    QRect geometry() const override { return m_widget.geometry(); }
    OverlayLevel level() const override { return m_level; }
    void setLevel(OverlayLevel level) override;
    double opacity() const override { return m_widget.windowOpacity(); }
    void setOpacity(double opacity) override { m_widget.setWindowOpacity(opacity); }
    bool isShown() const override { return m_widget.isVisible(); }
    void show() override;
    void hide() override;
    void update(const QRegion& area) override;
    quint64 nativeId() const override { return quint64(m_widget.winId()); }

    X11OverlayWidget& widget() { return m_widget; }
    void setShaped(bool shaped) { m_widget.setShaped(shaped); }

private:
    OverlayLevel m_level;
    X11OverlayWidget m_widget;
    std::function<void()> m_restack;
    bool m_awaitingFirstPaint = false;
};

} // namespace tavlin
