#include "Flora.h"

#include "Noise.h"
#include "Palette.h"
#include "Terrain.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

QPointF bezier(QPointF a, QPointF c, QPointF b, double t)
{
    const double u = 1.0 - t;
    return a * (u * u) + c * (2 * u * t) + b * (t * t);
}

} // namespace

QPainterPath pineTree(Random& rng, QPointF base, double height, double width)
{
    const double trunkH = height * 0.07;
    const double trunkW = width * 0.08;
    const int tiers = rng.integer(6, 9);
    const double top = base.y() - height;
    const double crownBottom = base.y() - trunkH;
    const double tierH = (crownBottom - top) / tiers;
    QPolygonF left;
    QPolygonF right;
    for (int i = 0; i < tiers; ++i) {
        const double y = crownBottom - i * tierH;
        const double f = std::pow(1.0 - static_cast<double>(i) / tiers, 0.95);
        const double wl = width * 0.5 * f * rng.range(0.8, 1.1);
        const double wr = width * 0.5 * f * rng.range(0.8, 1.1);
        const double droop = tierH * rng.range(0.1, 0.35);
        left << QPointF(base.x() - wl, y + droop)
             << QPointF(base.x() - wl * 0.35, y - tierH * 0.55);
        right << QPointF(base.x() + wr, y + droop)
              << QPointF(base.x() + wr * 0.35, y - tierH * 0.55);
    }
    QPolygonF outline;
    outline << QPointF(base.x() - trunkW / 2, base.y())
            << QPointF(base.x() - trunkW / 2, crownBottom);
    outline += left;
    outline << QPointF(base.x() + rng.range(-0.03, 0.03) * width, top);
    std::reverse(right.begin(), right.end());
    outline += right;
    outline << QPointF(base.x() + trunkW / 2, crownBottom)
            << QPointF(base.x() + trunkW / 2, base.y());
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

QPainterPath pineRow(Random& rng, const QPolygonF& ground, double minHeight, double maxHeight,
                     double spacing, double sink)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const quint32 seed = rng.seed();
    const double left = ground.first().x();
    const double right = ground.last().x();
    for (double x = left; x < right; x += spacing * rng.range(0.45, 1.15)) {
        const double n = fbm1(static_cast<float>(x / (maxHeight * 6)), seed, 2);
        const double h =
            minHeight + (maxHeight - minHeight) * std::clamp(n * rng.range(0.7, 1.3), 0.0, 1.0);
        const QPointF base(x, lineY(ground, x) + sink + h * 0.05);
        path.addPath(pineTree(rng, base, h, h * rng.range(0.32, 0.45)));
    }
    return path;
}

QPainterPath canopyPath(Random& rng, QPointF centre, double rx, double ry, int blobs)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addEllipse(centre, rx * 0.75, ry * 0.7);
    for (int i = 0; i < blobs; ++i) {
        const double a = rng.range(0, 2 * pi);
        const double r = std::sqrt(rng.uniform()) * 0.72;
        QPointF c(centre.x() + std::cos(a) * rx * r, centre.y() + std::sin(a) * ry * r * 0.9);
        // Blobs near the rim are smaller so the outline stays lumpy but compact.
        const double size = (0.38 - 0.16 * r) * std::min(rx, ry) * rng.range(0.7, 1.25);
        path.addEllipse(c, size * 1.15, size);
    }
    return path;
}

QPainterPath paintBroadleaf(QPainter& p, Random& rng, QPointF base, double height,
                            const TreeColors& colors, double spread)
{
    const double rx = height * 0.44 * spread;
    const double ry = height * 0.38;
    const QPointF centre(base.x() + rng.range(-0.03, 0.03) * height, base.y() - height + ry);
    const double trunkW = height * 0.075;

    p.save();
    p.setPen(Qt::NoPen);
    // Trunk flares at the root and forks into a few limbs that vanish into the canopy.
    QPainterPath trunk;
    trunk.moveTo(base + QPointF(-trunkW * 1.3, 0));
    trunk.quadTo(base + QPointF(-trunkW * 0.5, -height * 0.1),
                 centre + QPointF(-trunkW * 0.4, ry * 0.3));
    trunk.lineTo(centre + QPointF(trunkW * 0.4, ry * 0.3));
    trunk.quadTo(base + QPointF(trunkW * 0.5, -height * 0.1), base + QPointF(trunkW * 1.3, 0));
    trunk.closeSubpath();
    p.fillPath(trunk, colors.trunk);
    QPen limb(colors.trunk, trunkW * 0.45, Qt::SolidLine, Qt::RoundCap);
    const int limbs = rng.integer(3, 5);
    for (int i = 0; i < limbs; ++i) {
        const double side = (i % 2 == 0 ? -1.0 : 1.0);
        const QPointF from(centre.x(), centre.y() + ry * rng.range(0.1, 0.5));
        const QPointF to(centre.x() + side * rx * rng.range(0.35, 0.75),
                         centre.y() - ry * rng.range(0.0, 0.5));
        QPainterPath branch(from);
        branch.quadTo(QPointF((from.x() + to.x()) / 2, from.y()), to);
        limb.setWidthF(trunkW * rng.range(0.25, 0.45));
        p.strokePath(branch, limb);
    }

    // The crown is a few lobes around a main mass, so big trees get an irregular silhouette.
    QPainterPath canopy = canopyPath(rng, centre, rx * 0.8, ry * 0.85, 22);
    std::vector<std::pair<QPointF, double>> lobes;
    const int lobeCount = rng.integer(3, 5);
    for (int i = 0; i < lobeCount; ++i) {
        const double a = pi + (i + 0.5) / lobeCount * pi + rng.range(-0.2, 0.2);
        const QPointF c(centre.x() + std::cos(a) * rx * 0.55,
                        centre.y() + std::sin(a) * ry * 0.35 + ry * 0.2);
        const double s = rng.range(0.45, 0.6);
        lobes.emplace_back(c, s);
        canopy.addPath(canopyPath(rng, c, rx * s, ry * s, 12));
    }
    p.fillPath(canopy, colors.dark);
    p.setClipPath(canopy);
    // Each lobe's upper-left takes the mid tone; small flecks of light along its rim.
    Random inner(rng.next());
    p.fillPath(canopyPath(inner, centre + QPointF(-rx * 0.1, -ry * 0.14), rx * 0.7, ry * 0.72, 16),
               colors.mid);
    for (const auto& [c, s] : lobes)
        p.fillPath(canopyPath(inner, c + QPointF(-rx * s * 0.15, -ry * s * 0.2), rx * s * 0.8,
                              ry * s * 0.75, 8),
                   colors.mid);
    for (int i = 0; i < 60; ++i) {
        const double a = rng.range(pi * 0.9, pi * 1.8);
        const double r = rng.range(0.55, 0.95);
        const QPointF c(centre.x() + std::cos(a) * rx * r, centre.y() + std::sin(a) * ry * r * 0.9);
        const double s = std::min(rx, ry) * rng.range(0.03, 0.065);
        p.setBrush(colors.light);
        p.drawEllipse(c, s * 1.2, s);
    }
    // Gaps in the foliage show the dark interior.
    for (int i = 0; i < 4; ++i) {
        const QPointF c(centre.x() + rng.range(-0.6, 0.6) * rx,
                        centre.y() + rng.range(0.2, 0.6) * ry);
        const double s = std::min(rx, ry) * rng.range(0.03, 0.05);
        p.setBrush(colors.dark);
        p.drawEllipse(c, s * 1.4, s);
    }
    p.restore();
    return canopy;
}

namespace {

// Adds `shape` turning the same way as every other part: under the winding rule two parts
// that overlap with opposite turns cancel and leave a hairline gap.
void addClockwise(QPainterPath& path, const QPolygonF& shape)
{
    double area = 0.0;
    for (int i = 0; i < shape.size(); ++i) {
        const QPointF& a = shape[i];
        const QPointF& b = shape[(i + 1) % shape.size()];
        area += a.x() * b.y() - b.x() * a.y();
    }
    QPolygonF ordered = shape;
    if (area < 0.0)
        std::reverse(ordered.begin(), ordered.end());
    path.addPolygon(ordered);
    path.closeSubpath();
}

} // namespace

QPainterPath palmTree(Random& rng, QPointF base, double height, double lean, double droop)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const QPointF top(base.x() + lean * height, base.y() - height);
    const QPointF ctrl(base.x() + lean * height * 0.1, base.y() - height * 0.55);
    const double w0 = height * 0.045;
    // Trunk: tapered and notched every few samples, as palm trunks are ringed.
    QPolygonF leftSide;
    QPolygonF rightSide;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const QPointF pt = bezier(base, ctrl, top, t);
        const QPointF ahead = bezier(base, ctrl, top, std::min(1.0, t + 0.01));
        const QPointF behind = bezier(base, ctrl, top, std::max(0.0, t - 0.01));
        QPointF tangent = ahead - behind;
        const double len = std::hypot(tangent.x(), tangent.y());
        tangent /= std::max(1e-9, len);
        const QPointF normal(-tangent.y(), tangent.x());
        const double w = w0 * (1.0 - 0.45 * t) * (i % 3 == 0 ? 0.88 : 1.0) * (t < 0.05 ? 1.3 : 1.0);
        leftSide << pt + normal * w;
        rightSide << pt - normal * w;
    }
    std::reverse(rightSide.begin(), rightSide.end());
    QPolygonF trunk = leftSide + rightSide;
    addClockwise(path, trunk);

    // A frond is a midrib that rises out of the crown, arches and hangs at the tip, carrying
    // long leaflets that droop under their own weight. Neighbouring leaflets overlap into a soft
    // drape, so in silhouette a frond reads as a curved mass with a fringe of pointed tips, not
    // as a rib with separate teeth.
    const int fronds = rng.integer(11, 13);
    const double frondLen = height * rng.range(0.36, 0.42);
    // The last two are old fronds that hang down the trunk's sides.
    for (int f = 0; f < fronds + 2; ++f) {
        const bool old = f >= fronds;
        double spread = old ? 0.08 + 0.84 * (f - fronds) : (f + rng.range(0.2, 0.8)) / fronds;
        // An airy crown thins out the upright fronds in the middle of the fan.
        spread -= (1.0 - droop) * 0.4 * std::sin(2.0 * pi * spread);
        // Fan from low left over the top to low right; few fronds point straight up.
        const double angle = -pi * 1.02 + spread * pi * 1.04 + lean * 0.3;
        const QPointF dir(std::cos(angle), std::sin(angle) * 0.8 - 0.25);
        const double side = std::abs(dir.x());
        const double len = frondLen * rng.range(0.8, 1.1) * (old ? 0.6 : 0.7 + 0.3 * side);
        const double sag = len * (old ? 1.5 : 0.45 + 0.55 * side) * rng.range(0.85, 1.15) * droop;
        QPolygonF spine;
        const int ribSteps = 40;
        for (int i = 0; i <= ribSteps; ++i) {
            const double s = static_cast<double>(i) / ribSteps;
            spine << top + dir * (s * len) + QPointF(0, sag * s * s * (0.4 + 0.6 * s));
        }
        QPolygonF rib;
        for (int i = 0; i < spine.size(); ++i) {
            const double s = static_cast<double>(i) / ribSteps;
            const QPointF a = spine[std::max(0, i - 1)];
            const QPointF b = spine[std::min(ribSteps, i + 1)];
            QPointF t = b - a;
            t /= std::max(1e-9, std::hypot(t.x(), t.y()));
            rib << spine[i] + QPointF(-t.y(), t.x()) * (len * 0.012 * (1.0 - 0.7 * s));
        }
        for (int i = ribSteps; i >= 0; --i)
            rib << spine[i];
        addClockwise(path, rib);
        // Leaflets on both sides of the rib; seen side-on both rows hang, so each leans a little
        // to its own side of the rib and mostly down.
        const int leaflets = 26;
        for (int i = 1; i < leaflets; ++i) {
            const double s = (i + rng.range(-0.3, 0.3)) / leaflets;
            const int at = std::clamp(static_cast<int>(s * ribSteps), 0, ribSteps - 1);
            QPointF t = spine[at + 1] - spine[at];
            t /= std::max(1e-9, std::hypot(t.x(), t.y()));
            const QPointF n(-t.y(), t.x());
            // Longest a third of the way out, short at the base and towards the tip.
            const double leafLen = len * 0.34 * std::pow(std::sin(pi * (0.08 + 0.84 * s)), 0.7) *
                                   (1.0 - 0.35 * s) * rng.range(0.85, 1.1);
            for (int sideSign = -1; sideSign <= 1; sideSign += 2) {
                const QPointF root = spine[at];
                QPointF start = t * 0.7 + n * (0.45 * sideSign);
                start /= std::max(1e-9, std::hypot(start.x(), start.y()));
                // The leaflet leaves the rib along `start` and bends over towards the ground.
                const double hang = (0.55 + 0.35 * s) * (0.5 + 0.5 * droop);
                QPointF end = start * (1.0 - hang) + QPointF(0, 1.0) * hang;
                end /= std::max(1e-9, std::hypot(end.x(), end.y()));
                const QPointF mid = root + start * (leafLen * 0.45);
                const QPointF tip = mid + end * (leafLen * 0.6);
                const double wdt = leafLen * 0.07;
                QPointF across = tip - root;
                across = QPointF(-across.y(), across.x()) /
                         std::max(1e-9, std::hypot(across.x(), across.y()));
                QPainterPath leaf(root - across * (wdt * 0.4));
                leaf.quadTo(mid - across * wdt, tip);
                leaf.quadTo(mid + across * wdt, root + across * (wdt * 0.4));
                leaf.closeSubpath();
                addClockwise(path, leaf.toFillPolygon());
            }
        }
    }
    QPainterPath crown;
    crown.addEllipse(top, w0 * 1.1, w0 * 0.9);
    addClockwise(path, crown.toFillPolygon());
    return path;
}

QPainterPath grassBlade(QPointF base, double height, double width, double bend)
{
    const QPointF tip(base.x() + bend, base.y() - height);
    const QPointF ctrl(base.x() + bend * 0.15, base.y() - height * 0.6);
    QPainterPath blade(base + QPointF(-width / 2, 0));
    blade.quadTo(ctrl + QPointF(-width * 0.35, 0), tip);
    blade.quadTo(ctrl + QPointF(width * 0.35, 0), base + QPointF(width / 2, 0));
    blade.closeSubpath();
    return blade;
}

void paintGrass(QPainter& p, Random& rng, const QRectF& band, int count, double minHeight,
                double maxHeight, const QColor& dark, const QColor& light, double wind)
{
    struct Blade
    {
        QPointF base;
        double height;
        double bend;
        double width;
        double tone;
    };
    std::vector<Blade> blades;
    blades.reserve(static_cast<size_t>(count));
    const quint32 seed = rng.seed();
    for (int i = 0; i < count; ++i) {
        const double fx = rng.uniform();
        const double depth = std::sqrt(rng.uniform());
        const QPointF base(band.left() + fx * band.width(), band.top() + depth * band.height());
        const double gust = fbm1(static_cast<float>(fx * 8.0), seed, 2);
        const double h =
            (minHeight + (maxHeight - minHeight) * rng.uniform()) * (0.6 + 0.6 * depth);
        blades.push_back({base, h, h * (wind * (0.4 + gust) + rng.range(-0.12, 0.12)),
                          h * rng.range(0.025, 0.045), depth * 0.7 + rng.range(0.0, 0.3)});
    }
    std::sort(blades.begin(), blades.end(),
              [](const Blade& a, const Blade& b) { return a.base.y() < b.base.y(); });
    p.save();
    p.setPen(Qt::NoPen);
    for (const Blade& b : blades)
        p.fillPath(grassBlade(b.base, b.height, b.width, b.bend), mix(dark, light, b.tone));
    p.restore();
}

// Far trees along a hill crest. Crowns of very different sizes overlap into one mass per copse
// or hedgerow, lit along its top as a whole, so a hedge reads as a line of foliage rather than
// a string of beads; noise leaves gaps between the groups.
void paintCopses(QPainter& p, Random& rng, const QPolygonF& crest, double from, double to,
                 double size, const QColor& dark, const QColor& light, double every)
{
    const quint32 seed = rng.seed();
    QPainterPath mass;
    mass.setFillRule(Qt::WindingFill);
    for (double x = from; x < to; x += size * rng.range(every * 0.25, every * 0.6)) {
        if (fbm1(static_cast<float>(x / (size * 14)), seed, 2) < 0.45)
            continue;
        // Now and then a taller tree stands out of the line.
        const double s = size * (rng.chance(0.12) ? rng.range(1.2, 1.7) : rng.range(0.45, 1.05));
        const QPointF base(x, lineY(crest, x) + size * 0.3);
        mass.addEllipse(base + QPointF(0, -s * 0.5), s * rng.range(0.5, 0.8), s * 0.55);
    }
    p.setPen(Qt::NoPen);
    p.fillPath(mass, light);
    p.save();
    p.setClipPath(mass);
    p.fillPath(mass.translated(size * 0.1, size * 0.22), dark);
    p.restore();
}

void scatterDots(QPainter& p, Random& rng, const QPainterPath& area, const QRectF& box, int count,
                 double size, const QColor& a, const QColor& b)
{
    for (int i = 0; i < count; ++i) {
        const QPointF pos(box.left() + rng.uniform() * box.width(),
                          box.top() + rng.uniform() * box.height());
        if (!area.contains(pos))
            continue;
        const double depth = (pos.y() - box.top()) / box.height();
        const double r = size * (0.4 + depth);
        p.setBrush(rng.chance(0.5) ? a : b);
        p.drawEllipse(pos, r, r * 0.8);
    }
}

} // namespace tavlin::backdrops
