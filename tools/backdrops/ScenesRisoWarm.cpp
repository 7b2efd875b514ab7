#include "Noise.h"
#include "Palette.h"
#include "Random.h"
#include "RisoPrint.h"
#include "Scenes.h"
#include "Sky.h"
#include "Terrain.h"

#include <QRadialGradient>
#include <array>
#include <cmath>
#include <iterator>
#include <vector>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

QPainterPath rectPath(const QRectF& r)
{
    QPainterPath path;
    path.addRect(r);
    return path;
}

// Horizontal slots cut out of the lower half of a disc, the stencil-poster sunset.
QPainterPath slottedSun(QPointF centre, double radius, int slots)
{
    QPainterPath sun;
    sun.addEllipse(centre, radius, radius);
    QPainterPath cuts;
    for (int i = 0; i < slots; ++i) {
        const double t = static_cast<double>(i) / slots;
        const double y = centre.y() + radius * (0.15 + 0.85 * t);
        cuts.addRect(QRectF(centre.x() - radius, y, 2 * radius, radius * (0.03 + 0.09 * t)));
    }
    return sun.subtracted(cuts);
}

// A flat-topped hill in profile: level caprock, steep cliff, then a talus apron. 1 at the top.
double butte(double t, double centre, double halfWidth)
{
    const double d = std::abs(t - centre) / halfWidth;
    if (d < 1.0)
        return 1.0;
    const double apron = (d - 1.0) / 0.9;
    return apron < 1.0 ? 0.55 * (1.0 - apron) * (1.0 - apron) : 0.0;
}

// The polygon pushed outwards from its middle by `by` on each side, for banks around water.
QPolygonF widened(const QPolygonF& poly, double by)
{
    const QPointF centre = poly.boundingRect().center();
    QPolygonF out;
    for (const QPointF& p : poly) {
        const double side = p.x() < centre.x() ? -1.0 : 1.0;
        out << QPointF(p.x() + side * by * (p.y() / centre.y() - 0.6), p.y());
    }
    return out;
}

// A canyon wall seen end on: from its rim at `rimX` the face steps towards the middle of the
// canyon in tiers, each a near-vertical cliff over a ledge and a talus slope, as rock layers of
// different hardness erode. `outer` is the wall's far side, off the picture.
QPainterPath wall(Random& rng, double outer, double rimX, double top, double bottom, double inward,
                  int tiers, double rough, bool left, quint32 seed)
{
    QPolygonF edge;
    edge << QPointF(outer, top);
    double x = rimX;
    const double tier = (bottom - top) / tiers;
    for (int i = 0; i < tiers; ++i) {
        const double y0 = top + i * tier;
        const double cliff = tier * rng.range(0.45, 0.65);
        for (int k = 0; k <= 12; ++k) {
            const double y = y0 + cliff * k / 12.0;
            const double jag = fbm1(static_cast<float>(y / (0.012 * tier * tiers)), seed + i, 3);
            edge << QPointF(x + rough * (2.0 * jag - 1.0) * (left ? 1 : -1), y);
        }
        const double shift = inward / tiers * rng.range(0.6, 1.4);
        for (int k = 1; k <= 10; ++k) {
            const double s = k / 10.0;
            // Talus: steep under the cliff, easing out onto the ledge below.
            edge << QPointF(x + shift * (1.0 - (1.0 - s) * (1.0 - s)),
                            y0 + cliff + (tier - cliff) * s);
        }
        x += shift;
    }
    // The last talus fans out onto the canyon floor.
    edge << QPointF(x + inward * 0.5, bottom + tier * 0.08) << QPointF(outer, bottom + tier * 0.08);
    QPainterPath path;
    path.addPolygon(edge);
    path.closeSubpath();
    return path;
}

// Rock layers: bands with gently wandering edges across `rock`, each a little lighter or
// darker than `base` in every ink.
void strata(RisoPrint& print, Random& rng, const QPainterPath& rock, double top, double bottom,
            std::initializer_list<double> base, double contrast, double thickness)
{
    const QRectF box = rock.boundingRect();
    const quint32 seed = rng.seed();
    double y = top;
    int band = 0;
    while (y < bottom) {
        const double h = thickness * rng.range(0.5, 1.6);
        auto edgeAt = [&](double yy, int k) {
            return profileLine(box.left() - 10, box.right() + 10, 120, [&](double t) {
                return yy + 0.3 * thickness *
                                (2.0 * fbm1(static_cast<float>(t * 6.0), seed + k, 2) - 1.0);
            });
        };
        QPolygonF poly = edgeAt(y, band);
        QPolygonF lower = edgeAt(y + h, band + 1);
        for (int i = static_cast<int>(lower.size()) - 1; i >= 0; --i)
            poly << lower[i];
        QPainterPath stripe;
        stripe.addPolygon(poly);
        stripe.closeSubpath();
        const double k = rng.range(-1.0, 1.0) * contrast;
        std::vector<double> d;
        for (double v : base)
            d.push_back(v < 0 ? -1.0 : clamp01(v + k * (0.6 + v)));
        print.fill(stripe.intersected(rock),
                   {d[0], d.size() > 1 ? d[1] : -1.0, d.size() > 2 ? d[2] : -1.0});
        y += h;
        ++band;
    }
}

// The river far below, winding towards the viewer and widening as it comes, with a strip of
// green along its banks.
void paintRiver(RisoPrint& print, double W, double H)
{
    QPolygonF riverLeft;
    QPolygonF riverRight;
    for (int i = 0; i <= 80; ++i) {
        const double t = i / 80.0;
        const double y = H * (0.52 + 0.52 * t * t);
        const double x = W * (0.5 + 0.07 * std::sin(t * 5.0 + 0.6) * (0.2 + t));
        const double half = W * (0.003 + 0.05 * t * t);
        riverLeft << QPointF(x - half, y);
        riverRight << QPointF(x + half, y);
    }
    QPolygonF banks = riverLeft;
    for (int i = static_cast<int>(riverRight.size()) - 1; i >= 0; --i)
        banks << riverRight[i];
    QPainterPath greenery;
    greenery.addPolygon(widened(banks, 0.035 * W));
    print.fill(greenery, {0.42, 0.4, 0.62});
    QPainterPath river;
    river.addPolygon(banks);
    river.closeSubpath();
    print.fill(river, {0.0, 0.3, 0.3});
    print.ramp(1, river, 0.52 * H, H, 0.25, 0.6);
}
} // namespace

QImage paintSunsetDunes(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::fluorescentPink(), ink::yellow(), ink::mediumBlue()},
                    0xD0E5);
    Random rng(0xD0E5);
    const double W = size.width();
    const double H = size.height();
    const double horizon = 0.6 * H;
    // A quiet dusk: lavender overhead warming to a pale apricot at the horizon, light enough
    // to sit behind a call without glaring.
    const QPainterPath sky = rectPath(QRectF(0, 0, W, horizon + 0.1 * H));
    print.ramp(0, sky, 0, horizon, 0.34, 0.3);
    print.ramp(1, sky, 0.1 * H, horizon, 0.0, 0.42);
    print.ramp(2, sky, 0, horizon * 0.85, 0.36, 0.02);
    // The low sun, half sunk behind the far dunes, with a faint warm glow around it.
    const QPointF sunCentre(0.66 * W, 0.575 * H);
    QRadialGradient glow(sunCentre, 0.32 * H);
    glow.setColorAt(0.0, QColor::fromRgbF(0.62f, 0.62f, 0.62f));
    glow.setColorAt(1.0, QColor::fromRgbF(0.62f, 0.62f, 0.62f, 0.0f));
    print.plate(1).fillPath(sky, glow);
    QPainterPath sun;
    sun.addEllipse(sunCentre, 0.075 * H, 0.075 * H);
    print.fill(sun, {0.12, 0.62, 0.0});

    // Dunes, far to near: each swell has a sharp crest, a long lit back to the right and a
    // steep slip face on its left in shadow. The far ones are paler with haze.
    struct Layer
    {
        double base;
        double amp;
        double lit[3];
        double shade[3];
    };
    const Layer layers[] = {
        {0.61, 0.04, {0.3, 0.5, 0.08}, {0.4, 0.4, 0.2}},
        {0.7, 0.08, {0.32, 0.56, 0.06}, {0.46, 0.42, 0.24}},
        {0.83, 0.13, {0.36, 0.62, 0.05}, {0.52, 0.46, 0.28}},
        {1.0, 0.18, {0.4, 0.68, 0.04}, {0.58, 0.5, 0.32}},
    };
    for (const Layer& layer : layers) {
        struct Swell
        {
            double centre;
            double width;
            double height;
        };
        std::vector<Swell> swells;
        for (double c = rng.range(-0.2, 0.05); c < 1.25; c += rng.range(0.22, 0.45))
            swells.push_back({c, rng.range(0.14, 0.26), rng.range(0.55, 1.0)});
        // Each swell has a steep slip face on its left and a long gentle back to the right;
        // taking the highest keeps sharp troughs between them.
        const auto crestY = [&](double t) {
            double hgt = 0.0;
            for (const Swell& s : swells) {
                const double d = (t - s.centre) / s.width;
                hgt = std::max(hgt, s.height * std::exp(-(d < 0 ? d * d / 0.1 : d * d)));
            }
            return H * layer.base - H * layer.amp * hgt;
        };
        const QPolygonF crest = profileLine(-0.2 * W, 1.05 * W, 700, crestY);
        const QPainterPath dune = areaBelow(crest, H * 1.02);
        print.fill(dune, {layer.lit[0], layer.lit[1], layer.lit[2]});

        // Each dune darkens towards its foot, where it drops into the hollow before the next;
        // the crests stay lit by the low sun.
        const double crestTop = H * (layer.base - layer.amp);
        for (int ink = 0; ink < 3; ++ink)
            print.ramp(ink, dune, crestTop, H * layer.base + 0.04 * H, layer.lit[ink],
                       layer.shade[ink]);
    }
    return print.print();
}

QImage paintCanyonLayers(QSize size)
{
    // Inks: orange, blue, yellow. Blue over orange makes the browns and violets of shade.
    RisoPrint print(size, ink::paper(), {ink::orange(), ink::mediumBlue(), ink::yellow()}, 0xCA2);
    Random rng(0xCA2);
    const double W = size.width();
    const double H = size.height();
    const double horizon = 0.43 * H;

    // Evening sky: clear blue overhead warming to a pale band at the rim, brightest where the
    // sun sits behind the left wall.
    const QPainterPath sky = rectPath(QRectF(0, 0, W, horizon + 0.05 * H));
    print.ramp(1, sky, 0, horizon, 0.5, 0.06);
    print.ramp(2, sky, 0.12 * H, horizon, 0.0, 0.42);
    print.ramp(0, sky, 0.25 * H, horizon, 0.0, 0.14);
    QRadialGradient sun(QPointF(0.12 * W, 0.3 * H), 0.45 * H);
    sun.setColorAt(0, QColor(0, 0, 0, 150));
    sun.setColorAt(1, QColor(0, 0, 0, 0));
    print.plate(1).fillPath(sky, sun);

    // Far plateau: a long level rim with a few buttes, faded almost into the sky.
    const std::array<double, 3> haze{0.2, 0.2, 0.2};
    const QPolygonF far = profileLine(-0.02 * W, 1.02 * W, 400, [&](double t) {
        const double buttes = 0.045 * butte(t, 0.36, 0.04) + 0.03 * butte(t, 0.58, 0.03) +
                              0.05 * butte(t, 0.75, 0.05) + 0.02 * butte(t, 0.12, 0.05);
        return horizon - H * (0.008 + buttes + 0.003 * fbm1(static_cast<float>(t * 40), 3, 2));
    });
    print.fill(areaBelow(far, H), {haze[0], haze[1], haze[2]});

    // Promontories of the two rims, from the farthest to the nearest: each nearer one is
    // larger, stronger in colour and steps further into the canyon. The sun is low on the
    // left, so the left rim's faces are in shade and the right rim's are lit.
    struct Spur
    {
        double rim;    // x of the rim edge, as a fraction of the width
        double top;    // rim height
        double bottom; // foot of the wall
        double inward; // how far the tiers step into the canyon
        double haze;   // 1 = sky colour, 0 = full ink
        int tiers;
    };
    const Spur spurs[] = {
        {0.43, 0.39, 0.52, 0.04, 0.75, 2},
        {0.37, 0.35, 0.6, 0.06, 0.55, 3},
        {0.27, 0.29, 0.76, 0.09, 0.32, 3},
        {0.13, 0.2, 1.03, 0.14, 0.0, 4},
    };
    const std::array<double, 3> lit{0.88, 0.04, 0.42};
    const std::array<double, 3> shade{0.78, 0.42, 0.2};
    auto blend = [](const std::array<double, 3>& a, const std::array<double, 3>& b, double t) {
        return std::array<double, 3>{a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t,
                                     a[2] + (b[2] - a[2]) * t};
    };
    QPainterPath nearLeft;
    QPainterPath nearRight;
    for (size_t i = 0; i < std::size(spurs); ++i) {
        const Spur& s = spurs[i];
        const bool nearest = i + 1 == std::size(spurs);
        // The floor between each pair of spurs, in the colour of its distance.
        if (i == 1) {
            const QPainterPath floor = rectPath(QRectF(0, 0.5 * H, W, 0.55 * H));
            const auto f = blend({0.7, 0.22, 0.4}, haze, 0.5);
            print.fill(floor, {f[0], f[1], f[2]});
            print.ramp(0, floor, 0.5 * H, H, f[0], 0.75);
            print.ramp(1, floor, 0.5 * H, H, f[1], 0.3);
            paintRiver(print, W, H);
        }
        for (int side = 0; side < 2; ++side) {
            const bool left = side == 0;
            const double rimX = left ? s.rim * W : (1.0 - s.rim + 0.03) * W;
            const double top = s.top * H + (left ? 0.0 : -0.03 * H * (1.0 - s.haze));
            const QPainterPath rock =
                wall(rng, left ? -0.02 * W : 1.02 * W, rimX, top, s.bottom * H,
                     (left ? 1 : -1) * s.inward * W, s.tiers, 0.004 * W * (1.2 - s.haze), left,
                     static_cast<quint32>(0x1E + 16 * i + side));
            const auto c = blend(left ? shade : lit, haze, s.haze);
            print.fill(rock, {c[0], c[1], c[2]});
            strata(print, rng, rock, top, s.bottom * H + 0.02 * H, {c[0], c[1], c[2]},
                   0.1 * (1.0 - s.haze), 0.02 * H * (1.0 - 0.6 * s.haze));
            if (nearest)
                (left ? nearLeft : nearRight) = rock;
        }
    }
    // Low sun: the left rim's shadow climbs the right wall from the floor.
    QPainterPath shadow;
    // Its edge is the left rim's skyline thrown across the wall: ragged, catching on the
    // ledges, and only a little darker than the lit rock so it reads as shade, not a seam.
    QPolygonF edge = profileLine(0.55 * W, 1.05 * W, 160, [&](double t) {
        return H * (0.4 + 0.1 * t) +
               0.035 * H * (2.0 * fbm1(static_cast<float>(t * 5.0), 0xCA3, 3) - 1.0) +
               0.012 * H * (2.0 * fbm1(static_cast<float>(t * 31.0), 0xCA4, 2) - 1.0);
    });
    edge << QPointF(1.05 * W, 1.1 * H) << QPointF(0.55 * W, 1.1 * H);
    shadow.addPolygon(edge);
    shadow.closeSubpath();
    print.ramp(1, nearRight.intersected(shadow), 0.4 * H, H, 0.22, 0.4);
    // Light bounced off the lit wall warms the shaded one low down.
    print.ramp(2, nearLeft, 0.3 * H, H, 0.2, 0.4);
    return print.print();
}

QImage paintHillsSundown(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::fluorescentPink(), ink::yellow(), ink::teal()},
                    0x5D0);
    Random rng(0x5D0);
    const double W = size.width();
    const double H = size.height();
    const QPainterPath sky = rectPath(QRectF(0, 0, W, 0.75 * H));
    // A quiet dusk rather than a poster sunset: thin inks, and a veil of teal over the whole
    // sky greys the pink and yellow down, so nothing shouts behind a call.
    print.ramp(0, sky, 0, 0.62 * H, 0.22, 0.42);
    print.ramp(1, sky, 0.1 * H, 0.62 * H, 0.0, 0.42);
    print.ramp(2, sky, 0, 0.62 * H, 0.3, 0.1);
    // A small pale sun, paler than the sky round it, low behind the first ridge.
    print.fill(slottedSun(QPointF(0.5 * W, 0.6 * H), 0.085 * H, 0), {0.08, 0.38, 0.0});
    // Wisps of cloud lit from below, off to either side so none cuts across the sun.
    for (int i = 0; i < 4; ++i) {
        const QPointF c(((i % 2 == 0) ? 0.24 : 0.76) * W + rng.range(-0.08, 0.08) * W,
                        0.16 * H + i * 0.06 * H);
        print.fill(stratusPath(rng, c, rng.range(0.15, 0.3) * W, 0.012 * H), {0.34, 0.3, 0.12});
    }
    struct Hill
    {
        double base;
        double amp;
        double ink[3];
    };
    const Hill hills[] = {
        {0.62, 0.04, {0.38, 0.3, 0.24}},  {0.68, 0.06, {0.48, 0.24, 0.34}},
        {0.76, 0.07, {0.57, 0.18, 0.46}}, {0.86, 0.08, {0.65, 0.12, 0.58}},
        {0.97, 0.09, {0.72, 0.06, 0.7}},
    };
    for (const Hill& hill : hills) {
        const double f1 = rng.range(3.0, 6.0);
        const double ph = rng.range(0, 2 * pi);
        const QPolygonF ridge = profileLine(-0.02 * W, 1.02 * W, 240, [&](double t) {
            return H * hill.base -
                   H * hill.amp *
                       (0.6 * std::sin(t * f1 + ph) + 0.4 * std::sin(t * f1 * 2.3 + ph * 2));
        });
        const QPainterPath area = areaBelow(ridge, H * 1.02);
        print.fill(area, {hill.ink[0], hill.ink[1], hill.ink[2]});
        // The sunlit crest fades into the shadowed body of each hill.
        print.ramp(1, area, H * (hill.base - hill.amp), H * (hill.base + 0.1), hill.ink[1] + 0.12,
                   0.0);
    }
    return print.print();
}

} // namespace tavlin::backdrops
