#include "FirTree.h"

#include "Noise.h"
#include "Palette.h"
#include "Terrain.h"

#include <cmath>

namespace tavlin::backdrops {

FirTree firTree(Random& rng, QPointF base, double height, double width)
{
    FirTree fir;
    fir.body.setFillRule(Qt::WindingFill);
    fir.lit.setFillRule(Qt::WindingFill);
    const double trunkW = width * 0.05;
    const double lean = rng.range(-0.015, 0.015) * height;
    auto trunkX = [&](double s) { return base.x() + lean * s * s; };
    QPolygonF trunk{{base.x() - trunkW, base.y()},
                    {trunkX(1.0) - trunkW * 0.2, base.y() - height},
                    {trunkX(1.0) + trunkW * 0.2, base.y() - height},
                    {base.x() + trunkW, base.y()}};
    fir.body.addPolygon(trunk);
    // A dense core so the crown reads as one mass with boughs breaking out of it.
    fir.body.addPolygon(QPolygonF{{base.x() - width * 0.14, base.y() - height * 0.08},
                                  {trunkX(0.9), base.y() - height * 0.97},
                                  {base.x() + width * 0.14, base.y() - height * 0.08}});
    double s = 0.06;
    while (s < 0.97) {
        const double y = base.y() - s * height;
        const double taper = std::pow(1.0 - s, 0.9);
        for (int side = 0; side < 2; ++side) {
            if (rng.chance(0.12))
                continue;
            const double sign = side == 0 ? -1.0 : 1.0;
            const double reach = width * 0.5 * taper * rng.range(0.55, 1.1) + width * 0.02;
            const double droop = reach * rng.range(0.15, 0.5);
            const double thick = height * rng.range(0.008, 0.016) * (0.5 + taper);
            const QPointF root(trunkX(s), y);
            const QPointF tip(root.x() + sign * reach, y + droop);
            QPainterPath bough;
            bough.moveTo(root + QPointF(0, -thick));
            bough.quadTo(root + QPointF(sign * reach * 0.5, -thick * rng.range(0.6, 1.4)), tip);
            // The underside is a ragged fringe of needle clumps.
            const int clumps = rng.integer(3, 5);
            for (int k = 1; k <= clumps; ++k) {
                const double t = 1.0 - static_cast<double>(k) / clumps;
                const QPointF at = root + (tip - root) * t + QPointF(0, thick * 0.6);
                const QPointF hang = at + QPointF(sign * reach * 0.04, thick * rng.range(0.3, 1.1));
                bough.quadTo(hang, at + QPointF(0, thick * rng.range(-0.2, 0.3)));
            }
            bough.lineTo(root + QPointF(0, thick * 0.4));
            bough.closeSubpath();
            // Boughs on the left run the other way round; reversed, they add to the winding
            // instead of cutting holes where they overlap the core.
            fir.body.addPath(side == 0 ? bough.toReversed() : bough);
            // Light falls from the left, so left-hand boughs carry a lit upper band.
            if (side == 0 && rng.chance(0.6)) {
                QPainterPath top;
                top.moveTo(root + QPointF(sign * reach * 0.15, -thick * 0.9));
                top.quadTo(root + QPointF(sign * reach * 0.5, -thick * 1.1), tip);
                top.quadTo(root + QPointF(sign * reach * 0.55, -thick * 0.2),
                           root + QPointF(sign * reach * 0.15, -thick * 0.3));
                top.closeSubpath();
                fir.lit.addPath(top);
            }
        }
        s += rng.range(0.015, 0.045) * (0.6 + 0.8 * (1.0 - s));
    }
    return fir;
}

QPainterPath firRow(Random& rng, const QPolygonF& ground, double minHeight, double maxHeight,
                    double spacing, double sink)
{
    QPainterPath row;
    row.setFillRule(Qt::WindingFill);
    const quint32 seed = rng.seed();
    for (double x = ground.first().x(); x < ground.last().x();
         x += spacing * rng.range(0.45, 1.15)) {
        const double n = fbm1(static_cast<float>(x / (maxHeight * 6)), seed, 2);
        const double h = minHeight + (maxHeight - minHeight) * clamp01(n * rng.range(0.7, 1.3));
        const QPointF base(x, lineY(ground, x) + sink + h * 0.05);
        row.addPath(firTree(rng, base, h, h * rng.range(0.32, 0.45)).body);
    }
    return row;
}

} // namespace tavlin::backdrops
