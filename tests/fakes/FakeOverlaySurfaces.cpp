#include "tests/fakes/FakeOverlaySurfaces.h"

#include <QPainter>
#include <QScreen>

namespace tavlin {

QImage FakeOverlaySurface::render(double scale, bool shaped) const
{
    QImage image((QSizeF(m_geometry.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QRegion all(QRect(QPoint(0, 0), m_geometry.size()));
    m_content.paint(painter, m_geometry.size(), all, shaped);
    return image;
}

OverlaySurface* FakeOverlaySurfaces::create(QScreen* screen, OverlayLevel level,
                                            const OverlayPlacement& placement,
                                            OverlayContent& content)
{
    if (!reason.isEmpty())
        return nullptr;
    auto* surface = new FakeOverlaySurface(
        level, placement.rectOn(screen->geometry(), screen->availableGeometry()), content);
    made.append(surface);
    return surface;
}

} // namespace tavlin
