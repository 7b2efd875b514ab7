#include "SpreadingTree.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

// A limb as a tapering quad strip along a slight curve from `from` to `to`.
QPainterPath limb(QPointF from, QPointF to, double w0, double w1, double bow)
{
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF n(-d.y() / len, d.x() / len);
    const QPointF mid = (from + to) / 2 + n * (bow * len);
    QPainterPath path(from + n * (w0 / 2));
    path.quadTo(mid + n * ((w0 + w1) / 4), to + n * (w1 / 2));
    path.lineTo(to - n * (w1 / 2));
    path.quadTo(mid - n * ((w0 + w1) / 4), from - n * (w0 / 2));
    path.closeSubpath();
    return path;
}

// A foliage clump: overlapping round puffs inside an ellipse, flatter underneath.
QPainterPath clump(Random& rng, QPointF centre, double r)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addEllipse(centre, r * 0.7, r * 0.55);
    const int puffs = rng.integer(6, 10);
    for (int i = 0; i < puffs; ++i) {
        const double a = rng.range(pi * 0.9, pi * 2.1);
        const double d = rng.range(0.25, 0.6) * r;
        const QPointF c(centre.x() + std::cos(a) * d * 1.1, centre.y() + std::sin(a) * d * 0.7);
        const double s = r * rng.range(0.3, 0.48);
        path.addEllipse(c, s, s * rng.range(0.85, 1.0));
    }
    return path.simplified();
}

struct Clump
{
    QPainterPath shape;
    QPointF centre;
    double r;
};

} // namespace

QPainterPath paintSpreadingTree(QPainter& p, Random& rng, QPointF base, double height,
                                const TreeColors& colors, double spread)
{
    const double trunkW = height * 0.07;
    const double fork = height * rng.range(0.34, 0.42);
    const QPointF top(base.x() + rng.range(-0.03, 0.03) * height, base.y() - fork);
    const double crownW = height * 0.55 * spread;
    const double crownH = height - fork;

    p.save();
    p.setPen(Qt::NoPen);
    // Each piece is filled on its own: unioned under one fill rule, pieces that turn opposite
    // ways would cancel where they overlap and leave holes at the crotch.
    std::vector<QPainterPath> wood;
    // The trunk flares into its roots.
    QPainterPath trunk;
    trunk.moveTo(base + QPointF(-trunkW * 1.4, 0));
    trunk.quadTo(base + QPointF(-trunkW * 0.45, -fork * 0.25), top + QPointF(-trunkW * 0.35, 0));
    trunk.lineTo(top + QPointF(0, -trunkW * 0.4));
    trunk.lineTo(top + QPointF(trunkW * 0.35, 0));
    trunk.quadTo(base + QPointF(trunkW * 0.45, -fork * 0.25), base + QPointF(trunkW * 1.4, 0));
    trunk.closeSubpath();
    wood.push_back(trunk);
    // A collar where the limbs leave the trunk fills the crotch between them.
    QPainterPath collar;
    collar.addEllipse(top + QPointF(0, trunkW * 0.15), trunkW * 0.45, trunkW * 0.55);
    wood.push_back(collar);

    // Main limbs fan out from the fork; each forks once more near its end. Every tip carries a
    // clump, so no branch ends in the air.
    std::vector<Clump> clumps;
    const int limbs = rng.integer(4, 6);
    for (int i = 0; i < limbs; ++i) {
        const double t = (i + 0.5) / limbs;
        const double a = pi * (1.08 + 0.84 * t) + rng.range(-0.08, 0.08);
        const double reach = rng.range(0.55, 0.95);
        const QPointF end(top.x() + std::cos(a) * crownW * reach * 0.75,
                          top.y() + std::sin(a) * crownH * reach * 0.75);
        const double bow = rng.range(-0.12, 0.12);
        // Limbs start inside the trunk so the crotch closes without notches.
        wood.push_back(limb(top + QPointF(0, fork * 0.1), end, trunkW * 0.6, trunkW * 0.22, bow));
        const int twigs = rng.integer(1, 3);
        for (int k = 0; k < twigs; ++k) {
            const double b = a + rng.range(-0.55, 0.55);
            const double len = rng.range(0.18, 0.3) * crownW;
            const QPointF tip(end.x() + std::cos(b) * len, end.y() + std::sin(b) * len * 0.8);
            wood.push_back(limb(end, tip, trunkW * 0.22, trunkW * 0.08, rng.range(-0.15, 0.15)));
            const double r = crownW * rng.range(0.2, 0.3);
            clumps.push_back({clump(rng, tip, r), tip, r});
        }
        const double r = crownW * rng.range(0.22, 0.32);
        clumps.push_back({clump(rng, end, r), end, r});
    }
    // A clump over the fork fills the crown's heart.
    const QPointF heart(top.x(), top.y() - crownH * 0.45);
    clumps.push_back({clump(rng, heart, crownW * 0.36), heart, crownW * 0.36});
    for (const QPainterPath& piece : wood)
        p.fillPath(piece, colors.trunk);

    // Higher clumps first, so lower ones lay their shaded undersides across them.
    std::stable_sort(clumps.begin(), clumps.end(),
                     [](const Clump& a, const Clump& b) { return a.centre.y() < b.centre.y(); });
    QPainterPath crown;
    crown.setFillRule(Qt::WindingFill);
    for (const Clump& c : clumps) {
        p.fillPath(c.shape, colors.dark);
        p.save();
        p.setClipPath(c.shape);
        p.fillPath(c.shape.translated(-c.r * 0.16, -c.r * 0.2), colors.mid);
        p.fillPath(clump(rng, c.centre + QPointF(-c.r * 0.4, -c.r * 0.38), c.r * 0.55),
                   colors.light);
        p.restore();
        crown.addPath(c.shape);
    }
    p.restore();
    return crown;
}

} // namespace tavlin::backdrops
