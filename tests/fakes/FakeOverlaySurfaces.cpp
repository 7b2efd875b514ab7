#include "tests/fakes/FakeOverlaySurfaces.h"

#include <QScreen>

namespace tavlin {

OverlaySurface* FakeOverlaySurfaces::create(QScreen* screen, OverlayLevel level,
                                            const OverlayPlacement& placement, OverlayContent&)
{
    if (!reason.isEmpty())
        return nullptr;
    return new FakeOverlaySurface(
        level, placement.rectOn(screen->geometry(), screen->availableGeometry()));
}

} // namespace tavlin
