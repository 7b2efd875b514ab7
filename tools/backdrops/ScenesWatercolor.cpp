#include "Conifer.h"
#include "Flora.h"
#include "Palette.h"
#include "Random.h"
#include "Scenes.h"
#include "Terrain.h"
#include "Watercolor.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <cmath>

namespace tavlin::backdrops {

namespace {

// Coverage fading from `top` (density a) to `bottom` (density b), for washes thinned with water.
QLinearGradient fade(double top, double bottom, double a, double b)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, QColor::fromRgbF(1, 1, 1, static_cast<float>(clamp01(a))));
    g.setColorAt(1, QColor::fromRgbF(1, 1, 1, static_cast<float>(clamp01(b))));
    return g;
}

QPainterPath mirrored(const QPainterPath& path, double waterline)
{
    QTransform flip;
    flip.translate(0, 2 * waterline);
    flip.scale(1, -1);
    return flip.map(path);
}

} // namespace

QImage paintMistyMountains(QSize size)
{
    Watercolor wc(size, hex(0xF8F4EB), 0x3157);
    Random rng(0x3157);
    const double W = size.width();
    const double H = size.height();
    const double u = wc.unit();

    Watercolor::Wash sky;
    sky.opacity = 0.6;
    sky.wobble = 6;
    sky.darkEdge = 0.1;
    sky.granulation = 0.25;
    sky.unevenness = 0.45;
    sky.blooms = 0;
    wc.wash(hex(0xA7BCD3), sky, [&](QPainter& p) {
        p.fillRect(QRectF(0, 0, W, 0.6 * H), fade(0, 0.55 * H, 0.75, 0.0));
    });
    Watercolor::Wash warm = sky;
    warm.blooms = 0;
    warm.opacity = 0.5;
    wc.wash(hex(0xF1CDA6), warm, [&](QPainter& p) {
        QRadialGradient g(QPointF(0.68 * W, 0.42 * H), 0.45 * H);
        g.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.8f));
        g.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.0f));
        p.fillRect(QRectF(0, 0, W, H), g);
    });

    // Ridges from the far, watery ones to the dark near ones; each thins to mist at its foot.
    const QColor pigments[] = {hex(0xB9C3D6), hex(0x9EABC4), hex(0x8395B2),
                               hex(0x68799A), hex(0x4F5E7D), hex(0x374560)};
    const int layers = 6;
    for (int i = 0; i < layers; ++i) {
        const double t = static_cast<double>(i) / (layers - 1);
        const double base = H * (0.42 + 0.48 * t);
        const double amp = H * (0.2 - 0.08 * t);
        const double peakAt = rng.range(0.15, 0.85);
        const QPolygonF ridge = mountainRidge(
            rng, W, base, amp,
            [&](double x) {
                return 0.35 + 0.65 * std::exp(-std::pow((x - peakAt) / (0.25 + 0.1 * t), 2.0));
            },
            H * (0.03 - 0.01 * t), 0.6);
        Watercolor::Wash w;
        w.opacity = 0.55 + 0.4 * t;
        w.wobble = 4 + 4 * t;
        w.softness = 1.5;
        w.darkEdge = 0.7;
        w.granulation = 0.5;
        w.unevenness = 0.3;
        w.blooms = i == 3 ? 1 : 0;
        const QPainterPath area = areaBelow(ridge, H * 1.05);
        wc.wash(pigments[i], w, [&](QPainter& p) {
            p.fillPath(area, fade(base - amp, base + 0.12 * H, 1.0, 0.0));
            if (i >= 4) {
                // Firs on the near ridges, painted into the same wash.
                p.setBrush(QColor::fromRgbF(1, 1, 1, 0.95f));
                const double from = i == 4 ? 0.62 * W : 0.0;
                QPainterPath keep;
                keep.addRect(QRectF(from, 0, 0.38 * W, H));
                const std::vector<Conifer> stand =
                    coniferStand(rng, ridge, 0.03 * H, 0.075 * H, 0.009 * W, 0.004 * H);
                p.fillPath(coniferBodies(stand).intersected(keep),
                           fade(base - amp - 0.08 * H, base + 0.1 * H, 1.0, 0.2));
            }
        });
    }
    // A few birds, quick dark touches.
    Watercolor::Wash ink;
    ink.opacity = 0.85;
    ink.wobble = 1;
    ink.softness = 1;
    ink.darkEdge = 0.3;
    ink.granulation = 0.1;
    wc.wash(hex(0x3C4660), ink, [&](QPainter& p) {
        p.setPen(QPen(Qt::white, 3 * u, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) {
            const QPointF c(0.62 * W + i * 0.03 * W, 0.2 * H + rng.range(-0.02, 0.03) * H);
            const double s = rng.range(9, 14) * u;
            QPainterPath bird(c + QPointF(-s, -s * 0.2));
            bird.quadTo(c + QPointF(-s * 0.4, -s * 0.7), c);
            bird.quadTo(c + QPointF(s * 0.4, -s * 0.7), c + QPointF(s, -s * 0.2));
            p.drawPath(bird);
        }
    });
    return wc.finish();
}

QImage paintLakeReflection(QSize size)
{
    Watercolor wc(size, hex(0xF9F5EC), 0x1A4E);
    Random rng(0x1A4E);
    const double W = size.width();
    const double H = size.height();
    const double u = wc.unit();
    const double water = 0.6 * H;

    const QPolygonF peaks = mountainRidge(
        rng, W, water - 0.02 * H, 0.3 * H,
        [](double t) {
            // Exponential flanks make concave, alpine slopes rather than cones.
            return std::max({std::exp(-std::abs(t - 0.28) / 0.09),
                             0.72 * std::exp(-std::abs(t - 0.68) / 0.12),
                             0.35 * std::exp(-std::pow((t - 0.5) / 0.3, 2.0))});
        },
        0.05 * H, 0.7);
    const QPainterPath mountain = areaBelow(peaks, water);
    // Snow is left as bare paper.
    const QPainterPath snow = snowField(peaks, rng, water - 0.24 * H, 0.03 * H);
    Watercolor::Wash sky;
    sky.opacity = 0.65;
    sky.wobble = 8;
    sky.darkEdge = 0.15;
    sky.granulation = 0.3;
    sky.unevenness = 0.4;
    sky.blooms = 0;
    // The sky is painted around the snowfields so they stay bare paper.
    QPainterPath skyArea;
    skyArea.addRect(QRectF(0, 0, W, water));
    skyArea = skyArea.subtracted(mountain.intersected(snow));
    wc.wash(hex(0x8FB3D9), sky,
            [&](QPainter& p) { p.fillPath(skyArea, fade(0, 0.5 * H, 0.8, 0.05)); });
    Watercolor::Wash glow = sky;
    glow.blooms = 0;
    glow.opacity = 0.45;
    wc.wash(hex(0xF4C9A8), glow,
            [&](QPainter& p) { p.fillPath(skyArea, fade(0.25 * H, water, 0.0, 0.9)); });

    // Everything above the waterline is painted twice: once upright, once flipped into the lake
    // a little paler.
    struct Layer
    {
        QPainterPath shape;
        QColor pigment;
        double opacity;
        double top;
    };
    std::vector<Layer> layers;
    layers.push_back({mountain.subtracted(snow), hex(0x8C8FB8), 0.75, water - 0.32 * H});
    const QPolygonF hills = rollingLine(W, water - 0.03 * H, 0.02 * H, 0x1A, 3.0);
    QPainterPath forest = areaBelow(hills, water);
    const std::vector<Conifer> stand = coniferStand(rng, hills, 0.04 * H, 0.1 * H, 0.01 * W);
    forest.addPath(coniferBodies(stand));
    layers.push_back({forest, hex(0x4F7A62), 0.85, water - 0.12 * H});
    // A second glaze over some of the firs and their shaded sides, so the wood has depth.
    QPainterPath darker = coniferBodies(stand, 0);
    darker.addPath(coniferShades(stand));
    layers.push_back({darker, hex(0x35574A), 0.4, water - 0.12 * H});

    Watercolor::Wash hill;
    hill.opacity = 0.75;
    hill.wobble = 5;
    hill.darkEdge = 0.8;
    hill.granulation = 0.5;
    for (const Layer& layer : layers) {
        hill.opacity = layer.opacity;
        wc.wash(layer.pigment, hill,
                [&](QPainter& p) { p.fillPath(layer.shape, fade(layer.top, water, 1.0, 0.75)); });
    }
    // Snow stays paper white; shadowed faces go on as a second glaze.
    Watercolor::Wash shadowWash = hill;
    shadowWash.opacity = 0.45;
    const QPainterPath shadows = ridgeShadows(peaks, water, rng).intersected(mountain);
    wc.wash(hex(0x5D5F92), shadowWash,
            [&](QPainter& p) { p.fillPath(shadows, fade(water - 0.32 * H, water, 1.0, 0.4)); });

    // The lake: a pale wash, then the reflections broken into horizontal bands.
    Watercolor::Wash lake = sky;
    lake.opacity = 0.55;
    lake.blooms = 0;
    wc.wash(hex(0x7FA6C9), lake, [&](QPainter& p) {
        p.fillRect(QRectF(0, water, W, H - water), fade(water, H, 0.4, 0.9));
    });
    Watercolor::Wash reflect = hill;
    reflect.wobble = 7;
    reflect.darkEdge = 0.3;
    for (const Layer& layer : layers) {
        reflect.opacity = layer.opacity * 0.6;
        wc.wash(layer.pigment, reflect, [&](QPainter& p) {
            p.fillPath(mirrored(layer.shape, water), fade(water, water + 0.4 * H, 0.85, 0.45));
        });
    }
    shadowWash.opacity = 0.3;
    wc.wash(hex(0x5D5F92), shadowWash, [&](QPainter& p) {
        p.fillPath(mirrored(shadows, water), fade(water, water + 0.32 * H, 0.4, 1.0));
    });
    // The snowfields show in the lake too, as paler shapes.
    wc.lift(0.5, [&](QPainter& p) {
        p.fillPath(mirrored(mountain.intersected(snow), water),
                   fade(water, water + 0.4 * H, 1.0, 0.6));
    });
    // Lifted ripples where a breeze catches the water: a few streaks of broken lines at uneven
    // depths, thicker and longer nearer, with calm water between them.
    wc.lift(0.75, [&](QPainter& p) {
        p.drawRect(QRectF(0, water, W, 2.5 * u));
        for (int band = 0; band < 16; ++band) {
            const double d = std::pow(rng.uniform(), 1.5);
            const double y0 = water + 0.01 * H + d * (H - water - 0.06 * H);
            const double centre = rng.range(-0.1, 1.1) * W;
            const double reach = rng.range(0.08, 0.35) * W * (0.5 + d);
            const int dashes = rng.integer(2, 7);
            for (int i = 0; i < dashes; ++i) {
                const double x = centre + rng.range(-1.0, 1.0) * reach;
                const double y = y0 + rng.range(-1.0, 1.0) * (2 + 10 * d) * u;
                const double len = rng.range(0.01, 0.06) * W * (0.4 + d);
                p.drawRoundedRect(QRectF(x - len / 2, y, len, (1.2 + 3.0 * d) * u), u, u);
            }
        }
    });
    // Reeds in the near left corner.
    Watercolor::Wash reed;
    reed.opacity = 0.8;
    reed.wobble = 1.5;
    reed.softness = 1;
    reed.darkEdge = 0.5;
    reed.granulation = 0.3;
    wc.wash(hex(0x6E7D45), reed, [&](QPainter& p) {
        for (int i = 0; i < 70; ++i) {
            const QPointF base(rng.range(-0.02, 0.22) * W, H * rng.range(0.98, 1.02));
            const double h = H * rng.range(0.1, 0.3) * (1.0 - (base.x() / (0.25 * W)) * 0.6);
            p.fillPath(grassBlade(base, h, h * 0.03, h * rng.range(-0.05, 0.25)),
                       QColor::fromRgbF(1, 1, 1, 0.9f));
        }
    });
    return wc.finish();
}

} // namespace tavlin::backdrops
