#include "platform/OverlayPlacement.h"

namespace tavlin {

QRect OverlayPlacement::rectOn(const QRect& geometry, const QRect& available) const
{
    if (kind == Kind::FullScreen)
        return geometry;
    const int left = available.left() + (available.width() - size.width()) / 2;
    return QRect(QPoint(left, available.top() + topMargin), size);
}

} // namespace tavlin
