#include "platform/wayland/WaylandOverlaySurfaces.h"

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandOverlaySurface.h"

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
    return new WaylandOverlaySurface(m_connection, *screen, level, placement, content);
}

} // namespace tavlin
