#include "platform/wayland/WaylandOverlaySurfaces.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandOverlaySurface.h"

#include <QScreen>

namespace tavlin {

WaylandOverlaySurfaces::WaylandOverlaySurfaces(std::shared_ptr<WaylandConnection> connection,
                                               QObject* parent)
    : OverlaySurfaces(parent), m_connection(std::move(connection))
{
}

OverlaySurface* WaylandOverlaySurfaces::create(QScreen* screen, OverlayLevel level,
                                               const OverlayPlacement& placement,
                                               OverlayContent& content)
{
    if (!screen)
        return nullptr;
    m_surfaces.removeAll(nullptr);
    // The reminder shares the top layer with overlays that cover the panels, and compositors
    // order a layer's surfaces as they please (sway puts the newest lowest): then it becomes
    // part of the overlay on its screen, which keeps it on top.
    WaylandOverlaySurface* above =
        level == OverlayLevel::Reminder ? coveringPanels(screen->name()) : nullptr;
    auto* surface =
        new WaylandOverlaySurface(m_connection, *screen, level, placement, content, above);
    m_surfaces.append(surface);
    return surface;
}

WaylandOverlaySurface* WaylandOverlaySurfaces::coveringPanels(const QString& screenName) const
{
    for (const QPointer<WaylandOverlaySurface>& surface : m_surfaces) {
        if (surface && surface->isShown() && surface->level() == OverlayLevel::SpotlightPanels &&
            surface->screenName() == screenName)
            return surface;
    }
    return nullptr;
}

} // namespace tavlin
