#include "platform/wayland/WaylandOverlaySurface.h"

#include "fractional-scale-v1-client-protocol.h"
#include "platform/wayland/BufferGeometry.h"
#include "platform/wayland/WaylandConnection.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <wayland-client.h>

namespace tavlin {

namespace {

// How a level is placed among the compositor's layers. Neutral namespaces: some compositors
// give names like "desktop" or "dock" a meaning of their own.
struct LayerRole
{
    quint32 layer;
    quint32 anchor;
    int exclusiveZone;
    bool clickThrough;
    const char* nameSpace;
};

constexpr quint32 allEdges = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                             ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;

LayerRole roleFor(OverlayLevel level)
{
    switch (level) {
    case OverlayLevel::Cover:
        // Above the wallpaper and desktop icons, below every window; it takes the clicks that
        // would otherwise reach the icons. -1: over panels' reserved areas too.
        return {ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM, allEdges, -1, false, "tavlin-cover"};
    case OverlayLevel::Spotlight:
        return {ZWLR_LAYER_SHELL_V1_LAYER_TOP, allEdges, -1, true, "tavlin-spotlight"};
    case OverlayLevel::SpotlightPanels:
        return {ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, allEdges, -1, true, "tavlin-spotlight"};
    case OverlayLevel::Reminder:
        // Exclusive zone 0: placed below a panel along the top edge rather than over it.
        return {ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP, 0, true,
                "tavlin-reminder"};
    }
    return {ZWLR_LAYER_SHELL_V1_LAYER_TOP, allEdges, -1, true, "tavlin-overlay"};
}

WaylandOverlaySurface* self(void* data)
{
    return static_cast<WaylandOverlaySurface*>(data);
}

} // namespace

const zwlr_layer_surface_v1_listener WaylandOverlaySurface::s_layerListener{
    .configure =
        [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
            self(data)->configure(serial, QSize(int(width), int(height)));
        },
    .closed = [](void* data, zwlr_layer_surface_v1*) { self(data)->closed(); },
};

const wl_callback_listener WaylandOverlaySurface::s_frameListener{
    .done = [](void* data, wl_callback*, uint32_t) { self(data)->frameDone(); },
};

const wp_fractional_scale_v1_listener WaylandOverlaySurface::s_scaleListener{
    .preferred_scale =
        [](void* data, wp_fractional_scale_v1*, uint32_t scale) {
            WaylandOverlaySurface* surface = self(data);
            surface->m_preferredScale120 = int(scale);
            surface->m_needsFrame = true;
            surface->scheduleRender();
        },
};

WaylandOverlaySurface::WaylandOverlaySurface(std::shared_ptr<WaylandConnection> connection,
                                             QScreen& screen, OverlayLevel level,
                                             const OverlayPlacement& placement,
                                             OverlayContent& content, WaylandOverlaySurface* above)
    : m_connection(std::move(connection)), m_content(content), m_level(level),
      m_placement(placement), m_screenName(screen.name()), m_screenGeometry(screen.geometry()),
      m_geometry(placement.rectOn(screen.geometry(), screen.availableGeometry())), m_parent(above)
{
    // An output announced after its screen: the role waits for it.
    connect(m_connection.get(), &WaylandConnection::outputsChanged, this,
            &WaylandOverlaySurface::followOutput);
}

WaylandOverlaySurface::~WaylandOverlaySurface()
{
    destroyRole();
}

quint64 WaylandOverlaySurface::nativeId() const
{
    return m_surface ? wl_proxy_get_id(reinterpret_cast<wl_proxy*>(m_surface)) : 0;
}

void WaylandOverlaySurface::setLevel(OverlayLevel level)
{
    if (level == m_level)
        return;
    m_level = level;
    if (!m_layerSurface)
        return;
    if (zwlr_layer_surface_v1_get_version(m_layerSurface) >=
        ZWLR_LAYER_SURFACE_V1_SET_LAYER_SINCE_VERSION) {
        zwlr_layer_surface_v1_set_layer(m_layerSurface, roleFor(level).layer);
        if (m_configured)
            wl_surface_commit(m_surface);
        m_connection->flush();
        return;
    }
    // Too old to move between layers: a new surface in the new one.
    destroyRole();
    m_needsFrame = true;
    createRole();
}

void WaylandOverlaySurface::setOpacity(double opacity)
{
    // In steps of the pixels' alpha: a fade that ends a hair below 1 ends opaque.
    opacity = std::round(std::clamp(opacity, 0.0, 1.0) * 255.0) / 255.0;
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    m_needsFrame = true;
    scheduleRender();
}

void WaylandOverlaySurface::show()
{
    if (m_shown)
        return;
    m_shown = true;
    m_awaitingPresent = true;
    m_needsFrame = true;
    createRole();
}

void WaylandOverlaySurface::hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_awaitingPresent = false;
    // A layer surface shows again only after a new first configure: simplest made anew.
    destroyRole();
}

void WaylandOverlaySurface::update(const QRegion& area)
{
    m_dirty += area & QRect(QPoint(0, 0), m_geometry.size());
    m_needsFrame = true;
    scheduleRender();
}

void WaylandOverlaySurface::createRole()
{
    if (m_surface || !m_shown || !m_connection->isConnected())
        return;
    if (createChildRole())
        return;
    m_output = m_connection->output(m_screenName, m_screenGeometry);
    if (!m_output)
        return; // followOutput() tries again
    connect(m_output, &WaylandOutput::changed, this, &WaylandOverlaySurface::followOutput,
            Qt::UniqueConnection);

    m_surface = wl_compositor_create_surface(m_connection->compositor());
    if (m_connection->viewporter() && m_connection->fractionalScale()) {
        m_viewport = wp_viewporter_get_viewport(m_connection->viewporter(), m_surface);
        m_fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(
            m_connection->fractionalScale(), m_surface);
        wp_fractional_scale_v1_add_listener(m_fractionalScale, &s_scaleListener, this);
    }
    const LayerRole role = roleFor(m_level);
    m_layerSurface = zwlr_layer_shell_v1_get_layer_surface(
        m_connection->layerShell(), m_surface, m_output->handle(), role.layer, role.nameSpace);
    zwlr_layer_surface_v1_add_listener(m_layerSurface, &s_layerListener, this);
    const bool panel = m_placement.kind == OverlayPlacement::Kind::TopCentre;
    zwlr_layer_surface_v1_set_size(m_layerSurface, panel ? quint32(m_geometry.width()) : 0,
                                   panel ? quint32(m_geometry.height()) : 0);
    zwlr_layer_surface_v1_set_anchor(m_layerSurface, role.anchor);
    zwlr_layer_surface_v1_set_exclusive_zone(m_layerSurface, role.exclusiveZone);
    zwlr_layer_surface_v1_set_margin(m_layerSurface, panel ? m_placement.topMargin : 0, 0, 0, 0);
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        m_layerSurface, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    if (role.clickThrough) {
        // An empty input region: every click, scroll and hover goes to what lies beneath.
        wl_region* nothing = wl_compositor_create_region(m_connection->compositor());
        wl_surface_set_input_region(m_surface, nothing);
        wl_region_destroy(nothing);
    }
    wl_surface_commit(m_surface); // no buffer yet: asks for the first configure
    m_connection->flush();
}

bool WaylandOverlaySurface::createChildRole()
{
    if (!m_parent || !m_parent->m_surface || !m_connection->subcompositor())
        return false;
    m_surface = wl_compositor_create_surface(m_connection->compositor());
    m_subsurface = wl_subcompositor_get_subsurface(m_connection->subcompositor(), m_surface,
                                                   m_parent->m_surface);
    const QPoint offset = m_geometry.topLeft() - m_parent->m_geometry.topLeft();
    wl_subsurface_set_position(m_subsurface, offset.x(), offset.y());
    wl_subsurface_set_desync(m_subsurface); // our frames need not wait for the parent's
    wl_region* nothing = wl_compositor_create_region(m_connection->compositor());
    wl_surface_set_input_region(m_surface, nothing);
    wl_region_destroy(nothing);
    // The position takes effect with the parent's next commit (its first frame, if it has
    // shown none yet).
    if (m_parent->m_configured)
        wl_surface_commit(m_parent->m_surface);
    m_output = m_parent->m_output;
    m_configured = true; // no configure for a part of another surface: its size is ours
    m_needsFrame = true;
    scheduleRender();
    m_connection->flush();
    return true;
}

void WaylandOverlaySurface::destroyRole()
{
    if (m_frameCallback)
        wl_callback_destroy(m_frameCallback);
    if (m_layerSurface)
        zwlr_layer_surface_v1_destroy(m_layerSurface);
    if (m_subsurface)
        wl_subsurface_destroy(m_subsurface);
    if (m_fractionalScale)
        wp_fractional_scale_v1_destroy(m_fractionalScale);
    if (m_viewport)
        wp_viewport_destroy(m_viewport);
    if (m_surface)
        wl_surface_destroy(m_surface);
    m_frameCallback = nullptr;
    m_layerSurface = nullptr;
    m_subsurface = nullptr;
    m_fractionalScale = nullptr;
    m_viewport = nullptr;
    m_surface = nullptr;
    m_configured = false;
    m_preferredScale120 = 0;
    m_committedOpacity = -1;
    m_buffers.clear(); // safe once their surface is gone
    m_connection->flush();
}

void WaylandOverlaySurface::configure(quint32 serial, const QSize& size)
{
    zwlr_layer_surface_v1_ack_configure(m_layerSurface, serial);
    const QSize given = size.isEmpty() ? m_geometry.size() : size;
    if (given != m_geometry.size()) {
        m_geometry.setSize(given);
        m_dirty = QRect(QPoint(0, 0), given);
    }
    m_configured = true;
    m_needsFrame = true;
    render();
}

void WaylandOverlaySurface::closed()
{
    // Its output went away. The screens changed with it, and whoever made the surface builds
    // new ones; until then this one shows nowhere.
    destroyRole();
}

void WaylandOverlaySurface::followOutput()
{
    if (!m_surface) {
        createRole();
        return;
    }
    if (m_output && scale() != m_committedScale) {
        m_needsFrame = true;
        scheduleRender();
    }
}

double WaylandOverlaySurface::scale() const
{
    if (m_viewport && m_preferredScale120 > 0)
        return m_preferredScale120 / 120.0;
    return m_output ? m_output->scale() : 1;
}

void WaylandOverlaySurface::scheduleRender()
{
    // Several changes in one pass of the event loop make one frame.
    if (m_renderQueued)
        return;
    m_renderQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_renderQueued = false;
        render();
    });
}

void WaylandOverlaySurface::render()
{
    // Throttled by the compositor: the next frame once it has shown the last one.
    if (!m_needsFrame || !m_shown || !m_configured || m_frameCallback || !m_surface)
        return;
    const double s = scale();
    const QSize device = BufferGeometry::bufferSize(m_geometry.size(), s);
    if (device.isEmpty())
        return;
    if (m_frame.size() != device || s != m_committedScale) {
        m_frame = QImage(device, QImage::Format_ARGB32_Premultiplied);
        m_frame.setDevicePixelRatio(s);
        m_dirty = QRect(QPoint(0, 0), m_geometry.size());
        m_buffers.clear(); // a new buffer goes with this frame
    }
    WaylandShmBuffer* buffer = freeBuffer(device);
    if (!buffer)
        return; // tried again when one is released
    m_needsFrame = false;

    const QRegion changed = BufferGeometry::deviceRegion(m_dirty, s, device);
    m_dirty = QRegion();
    if (!changed.isEmpty())
        paintFrame(changed, s);
    for (const std::unique_ptr<WaylandShmBuffer>& each : m_buffers)
        each->stale() += changed;

    const QRegion whole(QRect(QPoint(0, 0), device));
    const bool newOpacity = m_opacity != m_committedOpacity;
    const QRegion fill = buffer->opacity() != m_opacity ? whole : buffer->stale();
    const QRegion damage = newOpacity ? whole : changed;
    if (damage.isEmpty() && m_committedOpacity >= 0)
        return; // nothing new to show
    fillBuffer(*buffer, fill);
    buffer->stale() = QRegion();
    buffer->setOpacity(m_opacity);
    commit(*buffer, damage, s);
}

WaylandShmBuffer* WaylandOverlaySurface::freeBuffer(const QSize& size)
{
    for (const std::unique_ptr<WaylandShmBuffer>& buffer : m_buffers) {
        if (!buffer->isBusy() && buffer->size() == size)
            return buffer.get();
    }
    // Two suffice: one the compositor shows, one to paint the next frame into.
    if (m_buffers.size() >= 2)
        return nullptr;
    auto buffer = WaylandShmBuffer::create(m_connection->shm(), size, [this] {
        if (m_needsFrame)
            scheduleRender();
    });
    if (!buffer)
        return nullptr;
    m_buffers.push_back(std::move(buffer));
    return m_buffers.back().get();
}

void WaylandOverlaySurface::paintFrame(const QRegion& device, double scale)
{
    // Whole logical pixels covering the changed device pixels, so each of those is painted
    // afresh; the content sees the device pixel ratio and paints sharp.
    const QRegion area = BufferGeometry::logicalCover(device, scale);
    QPainter painter(&m_frame);
    painter.setClipRegion(area);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(area.boundingRect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_content.paint(painter, m_geometry.size(), area, false);
}

void WaylandOverlaySurface::fillBuffer(WaylandShmBuffer& buffer, const QRegion& device) const
{
    // Both images in device pixels here: the frame's ratio only serves the content.
    QImage frame = m_frame;
    frame.setDevicePixelRatio(1);
    QPainter painter(&buffer.image());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : device) {
        if (m_opacity >= 1.0) {
            painter.drawImage(rect.topLeft(), frame, rect);
            continue;
        }
        // No window opacity on Wayland: the fade is in the pixels.
        painter.fillRect(rect, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setOpacity(m_opacity);
        painter.drawImage(rect.topLeft(), frame, rect);
        painter.setOpacity(1.0);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
}

void WaylandOverlaySurface::commit(WaylandShmBuffer& buffer, const QRegion& damage, double scale)
{
    if (m_viewport && m_preferredScale120 > 0) {
        wl_surface_set_buffer_scale(m_surface, 1);
        wp_viewport_set_destination(m_viewport, m_geometry.width(), m_geometry.height());
    } else {
        wl_surface_set_buffer_scale(m_surface, int(scale));
    }
    wl_surface_attach(m_surface, buffer.handle(), 0, 0);
    if (m_connection->compositorVersion() >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        for (const QRect& rect : damage)
            wl_surface_damage_buffer(m_surface, rect.x(), rect.y(), rect.width(), rect.height());
    } else {
        for (const QRect& rect : BufferGeometry::logicalCover(damage, scale))
            wl_surface_damage(m_surface, rect.x(), rect.y(), rect.width(), rect.height());
    }
    m_frameCallback = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frameCallback, &s_frameListener, this);
    wl_surface_commit(m_surface);
    buffer.setBusy();
    m_committedOpacity = m_opacity;
    m_committedScale = scale;
    m_connection->flush();
}

void WaylandOverlaySurface::frameDone()
{
    wl_callback_destroy(m_frameCallback);
    m_frameCallback = nullptr;
    if (m_awaitingPresent) {
        m_awaitingPresent = false;
        Q_EMIT presented();
    }
    Q_EMIT frameShown();
    render();
}

} // namespace tavlin
