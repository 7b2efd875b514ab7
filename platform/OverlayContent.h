#pragma once

#include <QRegion>
#include <QSize>
#include <optional>

class QPainter;

namespace tavlin {

// What an overlay surface shows, painted whenever the surface asks. Coordinates are the
// surface's own logical pixels, origin at its top-left; the painter may draw into a buffer of
// more device pixels than that (HiDPI), which it handles itself.
class OverlayContent
{
public:
    virtual ~OverlayContent() = default;

    // Paints `area` of a surface of `size`. The area starts out transparent and is the
    // painter's clip; what is left unpainted stays transparent and shows what lies beneath.
    // `shaped`: the surface is cut to shape(), so nothing outside it needs clearing.
    virtual void paint(QPainter& painter, const QSize& size, const QRegion& area, bool shaped) = 0;

    // The part of a surface of `size` that it paints at all. A window system that cannot blend
    // cuts the surface to this shape, so the unpainted parts show what lies beneath instead of
    // black. nullopt: all of it.
    virtual std::optional<QRegion> shape(const QSize& size) const
    {
        Q_UNUSED(size);
        return std::nullopt;
    }
};

} // namespace tavlin
