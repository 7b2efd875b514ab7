#pragma once

#include <QRect>
#include <QSize>

namespace tavlin {

// Where on its screen an overlay surface goes: the whole screen, or a panel of a fixed size
// centred at the top of the screen's free area (below any panel along the top edge).
struct OverlayPlacement
{
    enum class Kind { FullScreen, TopCentre };

    Kind kind = Kind::FullScreen;
    QSize size{};      // TopCentre only
    int topMargin = 0; // TopCentre only: from the top of the free area

    static OverlayPlacement fullScreen() { return {}; }
    static OverlayPlacement topCentre(QSize size, int topMargin)
    {
        return {Kind::TopCentre, size, topMargin};
    }

    // The rectangle it takes on a screen of `geometry` whose free area (without panels) is
    // `available`, both in global coordinates.
    QRect rectOn(const QRect& geometry, const QRect& available) const;
};

} // namespace tavlin
