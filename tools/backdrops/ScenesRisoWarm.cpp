#include "Noise.h"
#include "Palette.h"
#include "Random.h"
#include "RisoPrint.h"
#include "Scenes.h"
#include "Sky.h"
#include "Terrain.h"

#include <cmath>

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

} // namespace

QImage paintSunsetDunes(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::fluorescentPink(), ink::yellow(), ink::mediumBlue()},
                    0xD0E5);
    Random rng(0xD0E5);
    const double W = size.width();
    const double H = size.height();
    const double horizon = 0.6 * H;
    const QPainterPath sky = rectPath(QRectF(0, 0, W, horizon + 0.1 * H));
    print.ramp(0, sky, 0, horizon, 0.55, 0.75);
    print.ramp(1, sky, 0, horizon, 0.05, 0.85);
    print.ramp(2, sky, 0, horizon * 0.8, 0.5, 0.0);
    print.fill(slottedSun(QPointF(0.64 * W, 0.47 * H), 0.15 * H, 7), {0.15, 1.0, 0.0});

    // Dunes: each has a sharp crest with its slip face in shadow below it.
    struct Layer
    {
        double base;
        double amp;
        double lit[3];
        double shade[3];
    };
    const Layer layers[] = {
        {0.64, 0.06, {0.45, 0.6, 0.0}, {0.65, 0.4, 0.15}},
        {0.76, 0.12, {0.55, 0.85, 0.0}, {0.85, 0.35, 0.3}},
        {0.96, 0.17, {0.65, 1.0, 0.0}, {1.0, 0.25, 0.5}},
    };
    QPolygonF firstCrest;
    for (const Layer& layer : layers) {
        // A few overlapping swells, each with a steep slip face on its left and a long gentle
        // back to the right; taking the highest keeps sharp troughs between them.
        struct Swell
        {
            double centre;
            double width;
            double height;
        };
        std::vector<Swell> swells;
        for (double c = rng.range(-0.15, 0.05); c < 1.2; c += rng.range(0.3, 0.5))
            swells.push_back({c, rng.range(0.16, 0.26), rng.range(0.6, 1.0)});
        const QPolygonF crest = profileLine(-0.15 * W, 1.02 * W, 500, [&](double t) {
            double hgt = 0.0;
            for (const Swell& s : swells) {
                const double d = (t - s.centre) / s.width;
                hgt = std::max(hgt, s.height * std::exp(-(d < 0 ? d * d / 0.12 : d * d)));
            }
            return H * layer.base - H * layer.amp * hgt;
        });
        if (firstCrest.isEmpty())
            firstCrest = crest;
        const QPainterPath dune = areaBelow(crest, H * 1.02);
        print.fill(dune, {layer.lit[0], layer.lit[1], layer.lit[2]});
        print.ramp(2, dune, H * (layer.base - layer.amp), H * layer.base + 0.05 * H, 0.0,
                   layer.lit[2] + 0.15);
        // The sun is on the right, so left-facing slopes are in shadow. Cutting away a copy of
        // the dune slid to the right leaves exactly those slopes, bounded below by a curve that
        // follows the crest the way a dune's ridge line sweeps round.
        const QPainterPath shadow = dune.subtracted(dune.translated(0.09 * W, 0.025 * H));
        print.fill(shadow, {layer.shade[0], layer.shade[1], layer.shade[2]});
    }
    // A line of camels far off on the second dune's crest.
    Random caravan(7);
    for (int i = 0; i < 4; ++i) {
        const double x = 0.2 * W + i * 0.018 * W;
        const double y = lineY(firstCrest, x) + 0.004 * H;
        const double s = 0.009 * H * caravan.range(0.9, 1.1);
        QPainterPath camel;
        camel.addEllipse(QPointF(x, y - s * 2.0), s * 1.4, s * 0.8);
        camel.addEllipse(QPointF(x - s * 0.2, y - s * 2.6), s * 0.6, s * 0.5);
        camel.addRect(QRectF(x - s * 1.1, y - s * 2.0, s * 0.25, s * 2.0));
        camel.addRect(QRectF(x + s * 0.9, y - s * 2.0, s * 0.25, s * 2.0));
        camel.addRect(QRectF(x + s * 1.2, y - s * 3.0, s * 0.35, s * 1.2));
        camel.addEllipse(QPointF(x + s * 1.6, y - s * 3.0), s * 0.45, s * 0.3);
        print.fill(camel, {1.0, 0.2, 1.0});
    }
    return print.print();
}

QImage paintCanyonLayers(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::orange(), ink::mediumBlue(), ink::yellow()}, 0xCA2);
    Random rng(0xCA2);
    const double W = size.width();
    const double H = size.height();
    const QPainterPath sky = rectPath(QRectF(0, 0, W, 0.6 * H));
    print.ramp(1, sky, 0, 0.55 * H, 0.55, 0.08);
    print.ramp(2, sky, 0.2 * H, 0.55 * H, 0.0, 0.55);
    print.ramp(0, sky, 0.3 * H, 0.55 * H, 0.0, 0.25);

    // Walls recede in terraces; each step back is hazier: less blue, lighter orange.
    auto terrace = [&](double left, double right, double top, double bottom, int steps,
                       bool fromLeft) {
        QPolygonF poly;
        const double stepH = (bottom - top) / steps;
        double x = fromLeft ? right : left;
        const double dx = (right - left) / steps * (fromLeft ? -1 : 1);
        poly << QPointF(fromLeft ? left - 10 : right + 10, top);
        for (int i = 0; i < steps; ++i) {
            const double y = top + i * stepH;
            const double xi = x + dx * rng.range(0.0, 0.35) * (i == 0 ? 0.0 : 1.0);
            poly << QPointF(xi, y) << QPointF(xi + dx * rng.range(-0.15, 0.15), y + stepH * 0.55);
            x = xi - dx * rng.range(0.4, 0.9);
            poly << QPointF(x, y + stepH * 0.75) << QPointF(x, y + stepH);
        }
        poly << QPointF(fromLeft ? left - 10 : right + 10, bottom + 10);
        QPainterPath path;
        path.addPolygon(poly);
        path.closeSubpath();
        return path;
    };
    auto strata = [&](const QPainterPath& rock, double top, double bottom, double haze) {
        double y = top;
        int band = 0;
        while (y < bottom) {
            const double h = (bottom - top) * rng.range(0.03, 0.08);
            QPainterPath stripe = rectPath(QRectF(-10, y, W + 20, h)).intersected(rock);
            const double o = (band % 3 == 0   ? 1.0
                              : band % 3 == 1 ? 0.8
                                              : 0.95) *
                             (1.0 - haze * 0.5);
            const double b = (band % 4 == 2 ? 0.35 : band % 4 == 0 ? 0.15 : 0.0) * (1.0 - haze);
            const double yl = (band % 3 == 1 ? 0.6 : 0.15) + haze * 0.2;
            print.fill(stripe, {o, b, yl});
            y += h;
            ++band;
        }
    };
    // Far buttes in the middle distance.
    const QPolygonF far = profileLine(0.2 * W, 0.85 * W, 200, [&](double t) {
        const double a = smoothstep(0.1, 0.14, t) * smoothstep(0.4, 0.36, t) * 0.12;
        const double b = smoothstep(0.55, 0.58, t) * smoothstep(0.85, 0.8, t) * 0.09;
        return 0.58 * H - H * (0.04 + a + b);
    });
    const QPainterPath farRock = areaBelow(far, 0.8 * H);
    print.fill(farRock, {0.45, 0.12, 0.3});
    strata(farRock, 0.4 * H, 0.8 * H, 0.9);

    const QPainterPath leftMid = terrace(-0.02 * W, 0.38 * W, 0.36 * H, 0.9 * H, 5, true);
    const QPainterPath rightMid = terrace(0.6 * W, 1.02 * W, 0.3 * H, 0.9 * H, 5, false);
    print.fill(leftMid, {0.7, 0.1, 0.3});
    print.fill(rightMid, {0.7, 0.1, 0.3});
    strata(leftMid, 0.3 * H, 0.95 * H, 0.45);
    strata(rightMid, 0.3 * H, 0.95 * H, 0.45);

    // The river: a bright ribbon of blue winding out of the canyon floor.
    QPainterPath river;
    river.moveTo(0.47 * W, 0.72 * H);
    river.cubicTo(QPointF(0.55 * W, 0.78 * H), QPointF(0.36 * W, 0.84 * H),
                  QPointF(0.42 * W, H * 1.02));
    river.lineTo(0.6 * W, H * 1.02);
    river.cubicTo(QPointF(0.5 * W, 0.86 * H), QPointF(0.6 * W, 0.78 * H),
                  QPointF(0.49 * W, 0.72 * H));
    river.closeSubpath();
    QPainterPath floor = rectPath(QRectF(0, 0.72 * H, W, 0.3 * H));
    print.fill(floor, {0.55, 0.05, 0.5});
    print.fill(river, {0.0, 0.8, 0.1});
    print.ramp(1, river, 0.72 * H, H, 0.45, 0.9);

    const QPainterPath leftNear = terrace(-0.02 * W, 0.27 * W, 0.12 * H, 1.02 * H, 6, true);
    const QPainterPath rightNear = terrace(0.74 * W, 1.02 * W, 0.06 * H, 1.02 * H, 6, false);
    for (const QPainterPath& wall : {leftNear, rightNear}) {
        print.fill(wall, {1.0, 0.3, 0.2});
        strata(wall, 0.0, H * 1.05, 0.0);
    }
    // The shaded right-hand wall: more blue over everything.
    print.ramp(1, rightNear, 0, H, 0.2, 0.35);
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
    print.ramp(0, sky, 0, 0.62 * H, 0.35, 0.75);
    print.ramp(1, sky, 0.1 * H, 0.62 * H, 0.0, 0.9);
    print.ramp(2, sky, 0, 0.35 * H, 0.35, 0.0);
    print.fill(slottedSun(QPointF(0.5 * W, 0.6 * H), 0.2 * H, 0), {0.2, 1.0, 0.0});
    // Wisps of cloud lit from below.
    for (int i = 0; i < 4; ++i) {
        const QPointF c(rng.range(0.15, 0.85) * W, 0.22 * H + i * 0.08 * H);
        print.fill(stratusPath(rng, c, rng.range(0.15, 0.3) * W, 0.012 * H), {0.75, 0.4, 0.0});
    }
    struct Hill
    {
        double base;
        double amp;
        double ink[3];
    };
    const Hill hills[] = {
        {0.62, 0.04, {0.55, 0.55, 0.15}}, {0.68, 0.06, {0.75, 0.45, 0.3}},
        {0.76, 0.07, {0.9, 0.35, 0.5}},   {0.86, 0.08, {1.0, 0.25, 0.75}},
        {0.97, 0.09, {1.0, 0.1, 1.0}},
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
        print.ramp(1, area, H * (hill.base - hill.amp), H * (hill.base + 0.1), hill.ink[1] + 0.35,
                   0.0);
    }
    // Birds heading into the sunset.
    for (int i = 0; i < 5; ++i) {
        const QPointF c(0.28 * W + i * 0.03 * W + rng.range(-0.01, 0.01) * W,
                        0.26 * H + rng.range(-0.04, 0.04) * H);
        const double s = rng.range(0.008, 0.012) * H;
        print.fill(birdSilhouette(c, s), {1.0, 0.0, 1.0});
    }
    return print.print();
}

} // namespace tavlin::backdrops
