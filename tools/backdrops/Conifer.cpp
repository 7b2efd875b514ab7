#include "Conifer.h"

#include "Noise.h"
#include "Terrain.h"

#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

// One side of the crown from the lowest tier to just under the tip, as offsets from the axis:
// each tier is a drooping branch tip followed by a ragged run of needle clumps back in to the
// notch under the next tier.
QPolygonF crownSide(Random& rng, double side, double width, double crownH, int tiers, double shape,
                    double fullness)
{
    QPolygonF points;
    double y = 0.0;
    std::vector<double> heights(static_cast<size_t>(tiers));
    double sum = 0.0;
    for (double& h : heights) {
        h = rng.range(0.7, 1.3);
        sum += h;
    }
    for (int i = 0; i < tiers; ++i) {
        const double tierH = crownH * 0.96 * heights[static_cast<size_t>(i)] / sum;
        const double f = std::pow(1.0 - y / crownH, shape);
        // Some branches are missing or stunted, which breaks the ideal cone.
        const double reach = width * 0.5 * f * fullness *
                             (rng.chance(0.12) ? rng.range(0.55, 0.8) : rng.range(0.85, 1.12));
        const double droop = tierH * rng.range(0.05, 0.45);
        points << QPointF(side * reach, -y + droop);
        const int clumps = 2 + (reach > width * 0.2 ? 1 : 0);
        const double notch = reach * rng.range(0.25, 0.45);
        for (int k = 1; k <= clumps; ++k) {
            const double t = static_cast<double>(k) / (clumps + 1);
            const double r = reach + (notch - reach) * t;
            const double jag = rng.range(-0.08, 0.08) * reach;
            points << QPointF(side * (r + jag), -y + droop - (tierH * 0.75 + droop) * t +
                                                    rng.range(-0.1, 0.1) * tierH);
        }
        y += tierH;
        points << QPointF(side * notch * 0.8, -y + tierH * 0.2);
    }
    return points;
}

} // namespace

Conifer conifer(Random& rng, QPointF base, double height, double width)
{
    const int tiers =
        std::clamp(static_cast<int>(rng.range(5.0, 9.0) * std::sqrt(width / height * 2.5)), 4, 12);
    const double trunkH = height * rng.range(0.03, 0.08);
    const double trunkW = width * rng.range(0.06, 0.1);
    const double crownH = height - trunkH;
    // Below 1 the crown bellies out like a fir; above it tapers to a spire like a spruce.
    const double shape = rng.range(0.8, 1.25);
    const double lean = rng.gauss() * 0.025 * height;
    const double bend = rng.gauss() * 0.012 * height;
    const QPolygonF left = crownSide(rng, -1.0, width, crownH, tiers, shape, rng.range(0.85, 1.05));
    const QPolygonF right = crownSide(rng, 1.0, width, crownH, tiers, shape, rng.range(0.85, 1.05));

    // Axis offset at a height fraction: a lean with a slight bow.
    const auto axis = [&](double y) {
        const double t = std::clamp(-y / height, 0.0, 1.0);
        return lean * t + bend * std::sin(t * 3.14159265358979);
    };
    const double crownBottom = base.y() - trunkH;
    const auto place = [&](QPointF p) {
        return QPointF(base.x() + p.x() + axis(p.y() - trunkH), crownBottom + p.y());
    };
    const QPointF tip(base.x() + lean + rng.range(-0.02, 0.02) * width, base.y() - height);

    QPolygonF outline;
    outline << QPointF(base.x() - trunkW / 2, base.y()) << place(QPointF(-trunkW / 2, 0));
    for (const QPointF& p : left)
        outline << place(p);
    outline << tip;
    QPolygonF shadeOutline;
    shadeOutline << QPointF(base.x(), base.y()) << place(QPointF(0, 0));
    for (int i = 0; i < 4; ++i) {
        const double y = -crownH * (0.25 + 0.25 * i);
        shadeOutline << place(QPointF(width * rng.range(-0.05, 0.03), std::min(y, 0.0)));
    }
    shadeOutline << tip;
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        outline << place(*it);
        shadeOutline << place(*it);
    }
    outline << place(QPointF(trunkW / 2, 0)) << QPointF(base.x() + trunkW / 2, base.y());
    shadeOutline << place(QPointF(trunkW / 2, 0)) << QPointF(base.x() + trunkW / 2, base.y());

    Conifer tree;
    tree.body.addPolygon(outline);
    tree.body.closeSubpath();
    tree.shade.addPolygon(shadeOutline);
    tree.shade.closeSubpath();
    tree.shade = tree.shade.intersected(tree.body);
    tree.baseY = base.y();
    const double r = rng.uniform();
    tree.tone = r < 0.3 ? 0 : (r < 0.8 ? 1 : 2);
    return tree;
}

std::vector<Conifer> coniferStand(Random& rng, const QPolygonF& ground, double minHeight,
                                  double maxHeight, double spacing, double sink)
{
    std::vector<Conifer> stand;
    const quint32 seed = rng.seed();
    const double left = ground.first().x();
    const double right = ground.last().x();
    // A short stand is one clump; only a long one opens into clearings.
    const bool clearings = right - left > 25 * spacing;
    for (double x = left; x < right;) {
        // Density follows slow noise: clumps where it is high, clearings where it is low.
        const double dense = fbm1(static_cast<float>(x / (maxHeight * 4)), seed ^ 0x5EEDu, 2);
        const double step = spacing * rng.range(0.35, 1.0) * (0.6 + 1.4 * (1.0 - dense));
        if (!clearings || dense > 0.28 || rng.chance(0.15)) {
            const double n = fbm1(static_cast<float>(x / (maxHeight * 6)), seed, 2);
            double h = minHeight +
                       (maxHeight - minHeight) * std::clamp(n * rng.range(0.65, 1.3), 0.0, 1.0);
            if (rng.chance(0.06))
                h *= rng.range(1.15, 1.35);
            const double depth = rng.range(0.0, 0.06) * h;
            const QPointF base(x + rng.range(-0.3, 0.3) * spacing,
                               lineY(ground, x) + sink + h * 0.05 + depth);
            stand.push_back(conifer(rng, base, h, h * rng.range(0.28, 0.5)));
        }
        x += step;
    }
    std::stable_sort(stand.begin(), stand.end(),
                     [](const Conifer& a, const Conifer& b) { return a.baseY < b.baseY; });
    return stand;
}

QPainterPath coniferBodies(const std::vector<Conifer>& stand, int tone)
{
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const Conifer& tree : stand)
        if (tone < 0 || tree.tone == tone)
            all.addPath(tree.body);
    return all;
}

QPainterPath coniferShades(const std::vector<Conifer>& stand)
{
    QPainterPath all;
    all.setFillRule(Qt::WindingFill);
    for (const Conifer& tree : stand)
        all.addPath(tree.shade);
    return all;
}

void paintConifers(QPainter& p, const std::vector<Conifer>& stand, const QColor (&tones)[3],
                   const QColor& shade)
{
    for (const Conifer& tree : stand) {
        p.fillPath(tree.body, tones[tree.tone]);
        if (shade.alpha() > 0)
            p.fillPath(tree.shade, shade);
    }
}

} // namespace tavlin::backdrops
