#pragma once

#include "platform/OverlayContent.h"
#include "platform/OverlayPlacement.h"
#include "platform/OverlaySurface.h"
#include "platform/wayland/WaylandShmBuffer.h"

#include <QImage>
#include <QPointer>
#include <memory>
#include <vector>

class QScreen;
struct wl_callback;
struct wl_callback_listener;
struct wp_fractional_scale_v1_listener;
struct zwlr_layer_surface_v1_listener;
struct wl_subsurface;
struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct zwlr_layer_surface_v1;

namespace tavlin {

class WaylandConnection;
class WaylandOutput;

// An overlay on Wayland: a layer surface on the screen's output, painted by us into shared
// memory. The content is kept at full opacity in a frame of device pixels; a buffer gets what
// changed (times the opacity), and at most one is committed per frame the compositor shows.
class WaylandOverlaySurface : public OverlaySurface
{
    Q_OBJECT
public:
    // With `above`, it is shown as part of that surface, on top of it: the only stacking within
    // one layer that every compositor keeps.
    WaylandOverlaySurface(std::shared_ptr<WaylandConnection> connection, QScreen& screen,
                          OverlayLevel level, const OverlayPlacement& placement,
                          OverlayContent& content, WaylandOverlaySurface* above = nullptr);
    ~WaylandOverlaySurface() override;

    QRect geometry() const override { return m_geometry; }
    OverlayLevel level() const override { return m_level; }
    void setLevel(OverlayLevel level) override;
    double opacity() const override { return m_opacity; }
    void setOpacity(double opacity) override;
    bool isShown() const override { return m_shown; }
    void show() override;
    void hide() override;
    void update(const QRegion& area) override;
    quint64 nativeId() const override;

    QString screenName() const { return m_screenName; }

Q_SIGNALS:
    // The compositor showed a frame we committed (for measurements).
    void frameShown();

private:
    void createRole();
    bool createChildRole();
    void destroyRole();
    void configure(quint32 serial, const QSize& size);
    void closed();
    void followOutput();
    void scheduleRender();
    void render();
    void frameDone();
    double scale() const;
    WaylandShmBuffer* freeBuffer(const QSize& size);
    void paintFrame(const QRegion& device, double scale);
    void fillBuffer(WaylandShmBuffer& buffer, const QRegion& device) const;
    void commit(WaylandShmBuffer& buffer, const QRegion& damage, double scale);

    static const zwlr_layer_surface_v1_listener s_layerListener;
    static const wl_callback_listener s_frameListener;
    static const wp_fractional_scale_v1_listener s_scaleListener;

    std::shared_ptr<WaylandConnection> m_connection;
    OverlayContent& m_content;
    OverlayLevel m_level;
    OverlayPlacement m_placement;
    QString m_screenName;
    QRect m_screenGeometry;
    QRect m_geometry;
    QPointer<WaylandOutput> m_output;
    QPointer<WaylandOverlaySurface> m_parent;

    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layerSurface = nullptr;
    wl_subsurface* m_subsurface = nullptr;
    wp_viewport* m_viewport = nullptr;
    wp_fractional_scale_v1* m_fractionalScale = nullptr;
    wl_callback* m_frameCallback = nullptr;
    int m_preferredScale120 = 0; // fractional scale in 120ths; 0 until the compositor says

    bool m_shown = false;
    bool m_configured = false;
    bool m_awaitingPresent = false;
    bool m_renderQueued = false;
    bool m_needsFrame = false;
    double m_opacity = 1.0;
    double m_committedOpacity = -1;
    double m_committedScale = 0;

    QImage m_frame;  // the content at full opacity, device pixels
    QRegion m_dirty; // logical: content to paint again
    std::vector<std::unique_ptr<WaylandShmBuffer>> m_buffers;
};

} // namespace tavlin
