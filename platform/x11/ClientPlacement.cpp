#include "platform/x11/ClientPlacement.h"

namespace tavlin {

namespace {

QPoint innerCorner(const ConfigureGeometry& g)
{
    return {g.x + g.border, g.y + g.border};
}

} // namespace

ClientPlacement ClientPlacement::read(bool framed, bool frameOnRoot,
                                      const ConfigureGeometry& geometry, QPoint rootOrigin)
{
    ClientPlacement placement;
    placement.framed = framed;
    placement.frameOnRoot = framed && frameOnRoot;
    placement.rect = QRect(rootOrigin, QSize(geometry.width, geometry.height));
    if (framed) {
        placement.offset = innerCorner(geometry);
        placement.frameOrigin = rootOrigin - placement.offset;
    }
    return placement;
}

void ClientPlacement::clientConfigured(const ConfigureGeometry& event, bool synthetic)
{
    const QSize size(event.width, event.height);
    if (synthetic || !framed) {
        rect = QRect(innerCorner(event), size);
        frameOrigin = rect.topLeft() - offset;
        return;
    }
    offset = innerCorner(event);
    rect = QRect(frameOrigin + offset, size);
}

bool ClientPlacement::frameConfigured(const ConfigureGeometry& event)
{
    if (!frameOnRoot)
        return false;
    frameOrigin = innerCorner(event);
    rect.moveTopLeft(frameOrigin + offset);
    return true;
}

} // namespace tavlin
