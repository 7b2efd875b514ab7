#include "BrushPainter.h"
#include "Canvas.h"
#include "Finish.h"
#include "FirTree.h"
#include "Flora.h"
#include "Noise.h"
#include "Palette.h"
#include "Random.h"
#include "Scenes.h"
#include "Sky.h"
#include "Terrain.h"

#include <QLinearGradient>
#include <cmath>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

// Loaded brushes: a broad underlayer, then medium and fine strokes where detail needs them.
// The paint reads through stroke direction and colour changing from stroke to stroke; a lit
// relief would look like an emboss filter and make encoders shimmer.
BrushPainter::Style oilStyle()
{
    BrushPainter::Style style;
    style.passes = {
        {40, 5.0, 1.3, 1.0, 0.22, 0.0},
        {22, 5.0, 1.2, 1.0, 0.2, 0.0},
        {11, 4.5, 1.0, 0.9, 0.16, 0.07},
    };
    style.bristles = 4;
    style.bristleContrast = 0.06;
    style.edgeStop = 0.12;
    return style;
}

// A stand of conifers along `ground`, each its own shade between `dark` and `light` and lit
// on the left, so the stand reads as trees rather than one stamp repeated. `open` leaves
// that share of the ground as clearings between groups.
void paintConifers(QPainter& p, Random& rng, const QPolygonF& ground, double minHeight,
                   double maxHeight, double spacing, const QColor& dark, const QColor& light,
                   double open = 0.0)
{
    const quint32 seed = rng.seed();
    for (double x = ground.first().x(); x < ground.last().x(); x += spacing * rng.range(0.4, 1.2)) {
        if (open > 0.0 &&
            fbm1(static_cast<float>(x / (maxHeight * 2.5)), seed + 1, 2) < 0.3 + 0.4 * open)
            continue;
        const double n = fbm1(static_cast<float>(x / (maxHeight * 5)), seed, 2);
        const double h = minHeight + (maxHeight - minHeight) * clamp01(n * rng.range(0.6, 1.35));
        const QPointF base(x + rng.range(-0.3, 0.3) * spacing,
                           lineY(ground, x) + h * rng.range(0.03, 0.12));
        const QPainterPath tree = firTree(rng, base, h, h * rng.range(0.45, 0.65)).body;
        const QColor body = mix(dark, light, rng.range(0.0, 0.35));
        p.fillPath(tree, body);
        p.save();
        p.setClipPath(tree);
        p.fillRect(QRectF(base.x() - h, base.y() - h, h - h * 0.04, h),
                   withAlpha(mix(body, light, 0.6), 0.6));
        p.restore();
    }
}

} // namespace

QImage paintSnowyPeaks(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x0115);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.7 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x3D6AA8)}, {0.55, hex(0x8FB0D6)}, {1.0, hex(0xF1DCC4)}});
    paintGlow(p, QPointF(0.2 * W, 0.55 * H), 0.5 * H, hex(0xFFE6C0, 0.55));
    // High cloud in long drifts lit from the low sun on the left: soft banks with a cooler
    // underside that sit in the sky rather than on it.
    {
        QPainterPath banks;
        banks.setFillRule(Qt::WindingFill);
        banks.addPath(stratusPath(rng, QPointF(0.25 * W, 0.14 * H), 0.42 * W, 0.035 * H));
        banks.addPath(stratusPath(rng, QPointF(0.7 * W, 0.09 * H), 0.5 * W, 0.03 * H));
        banks.addPath(stratusPath(rng, QPointF(0.1 * W, 0.24 * H), 0.3 * W, 0.02 * H));
        p.drawImage(0, 0,
                    softShape(size, banks.translated(0.004 * W, 0.012 * H),
                              static_cast<int>(24 * u), hex(0x8FA6CC, 0.45)));
        p.drawImage(0, 0, softShape(size, banks, static_cast<int>(20 * u), hex(0xFFF6EA, 0.6)));
    }
    for (int i = 0; i < 3; ++i)
        paintStratus(p, rng, QPointF(rng.range(0.1, 0.9) * W, rng.range(0.33, 0.42) * H),
                     rng.range(0.15, 0.3) * W, 0.01 * H, hex(0xFFF1E4, 0.4));
    // Two ranges: a pale far one and the main snowy massif.
    const QPolygonF far = mountainRidge(
        rng, W, horizon, 0.3 * H,
        [](double t) { return 0.5 + 0.5 * std::sin(t * 7.0 + 0.5) * std::sin(t * 2.0 + 0.3); },
        0.05 * H, 0.6);
    const QPainterPath farArea = areaBelow(far, H);
    p.fillPath(farArea, hex(0xA3B2CC));
    p.save();
    p.setClipPath(farArea);
    p.fillPath(snowField(far, rng, horizon - 0.25 * H, 0.03 * H), hex(0xDCE2EE));
    p.fillPath(ridgeShadows(far, H, rng), hex(0x8797B8, 0.55));
    p.restore();
    const QPolygonF main = mountainRidge(
        rng, W, horizon + 0.05 * H, 0.52 * H,
        [](double t) {
            // Sharp summits on broad shoulders, so the peaks are massifs rather than spikes.
            const auto peak = [t](double at, double spread) {
                const double d = (t - at) / spread;
                return 0.45 * std::exp(-std::abs(d)) + 0.55 * std::exp(-0.5 * d * d);
            };
            return std::max({peak(0.62, 0.13), 0.7 * peak(0.3, 0.11), 0.5 * peak(0.9, 0.09)});
        },
        0.05 * H, 0.65);
    const QPainterPath mountain = areaBelow(main, H);
    fillPathVertical(p, mountain, 0.2 * H, horizon, hex(0x857F8A), hex(0x56596A));
    p.save();
    p.setClipPath(mountain);
    // Snow lies deep on the high ground and reaches down the gullies in tongues; ribs of rock
    // break through it. Its edge is where snow and rock interleave, not one cut line.
    const quint32 snowSeed = rng.seed();
    QPolygonF snowLine;
    for (int i = 0; i <= 600; ++i) {
        const double t = i / 600.0;
        const double x = -0.02 * W + t * 1.04 * W;
        const double broad = fbm1(static_cast<float>(t * 8.0), snowSeed, 3) - 0.5;
        // Gullies hold snow in narrow, pointed runs; a power on the noise sharpens them.
        const double tongue = std::pow(
            std::max(0.0, fbm1(static_cast<float>(t * 34.0), snowSeed + 1, 2) - 0.5) / 0.5, 2.0);
        snowLine << QPointF(x, (0.51 - 0.05 * t) * H + broad * 0.16 * H + tongue * 0.1 * H);
    }
    snowLine << QPointF(1.02 * W, -H) << QPointF(-0.02 * W, -H);
    QPainterPath snow;
    snow.addPolygon(snowLine);
    snow = snow.intersected(mountain);
    // Patches lie below the line too, so snow and rock interleave along it.
    for (int i = 0; i < 90; ++i) {
        const double x = rng.uniform() * W;
        const double y = lineY(snowLine, x) + rng.range(0.0, 0.07) * H;
        // Only a few stray far below the line; most hug it.
        if (i % 3 != 0 && y > lineY(snowLine, x) + 0.025 * H)
            continue;
        if (y < lineY(main, x) + 0.01 * H)
            continue;
        const double r = rng.range(4.0, 16.0) * u;
        QPolygonF patch;
        for (int k = 0; k < 6; ++k) {
            const double a = k * pi / 3 + rng.range(-0.4, 0.4);
            patch << QPointF(x + r * std::cos(a) * 0.7, y + r * std::sin(a) * 1.6);
        }
        snow.addPolygon(patch);
    }
    snow = snow.simplified().intersected(mountain);
    fillPathVertical(p, snow, 0.15 * H, 0.62 * H, hex(0xFFF7EC), hex(0xE9E2E2));
    for (int i = 0; i < 140; ++i) {
        const double x = rng.uniform() * W;
        const double top = lineY(main, x) + rng.range(0.01, 0.2) * H;
        const double len = rng.range(0.02, 0.09) * H;
        const double wdt = rng.range(3.0, 10.0) * u;
        const double lean = rng.range(-0.4, 0.4) * len;
        QPolygonF rib{QPointF(x - wdt, top), QPointF(x + wdt, top + 0.1 * len),
                      QPointF(x + lean + wdt * 0.3, top + len), QPointF(x + lean, top + len)};
        QPainterPath ribPath;
        ribPath.addPolygon(rib);
        p.fillPath(ribPath.intersected(snow), hex(0x6C6878, rng.range(0.5, 0.85)));
    }
    const QPainterPath shadows = ridgeShadows(main, H, rng);
    p.fillPath(shadows, hex(0x2E3550, 0.5));
    p.fillPath(shadows.intersected(snow), hex(0x7A86B0, 0.62));
    // Haze thickens towards the valley floor.
    fillPathVertical(p, mountain, 0.48 * H, horizon + 0.06 * H, hex(0xD7D3DC, 0.0),
                     hex(0xD7D3DC, 0.45));
    p.restore();
    // Forest: a hazy far belt, then nearer stands darker and larger, every tree its own tone
    // and lit on its sunward side.
    const QPolygonF slope1 = rollingLine(W, horizon + 0.08 * H, 0.04 * H, 0x11, 2.5);
    p.fillPath(areaBelow(slope1.translated(0, -0.02 * H), H), hex(0x61787A));
    paintConifers(p, rng, slope1.translated(0, -0.015 * H), 0.03 * H, 0.06 * H, 0.008 * W,
                  hex(0x5A7070), hex(0x7E9290));
    p.fillPath(areaBelow(slope1, H), hex(0x3E5A57));
    paintConifers(p, rng, slope1, 0.05 * H, 0.1 * H, 0.012 * W, hex(0x334D4A), hex(0x5D7A6A));
    // A nearer stand on a lower rise, so the forest has depth and not one flat belt.
    const QPolygonF slope15 = rollingLine(W, 0.87 * H, 0.025 * H, 0x15, 1.7);
    p.fillPath(areaBelow(slope15, H), hex(0x2F4A44));
    paintConifers(p, rng, slope15, 0.07 * H, 0.15 * H, 0.016 * W, hex(0x28423D), hex(0x567462),
                  0.3);
    const QPolygonF slope2 = profileLine(-0.02 * W, 1.02 * W, 80, [&](double t) {
        return H * (0.95 + 0.04 * std::cos(t * pi * 1.6 + 0.4));
    });
    // The near meadow catches the low sun along its brow and falls into shade below.
    fillPathVertical(p, areaBelow(slope2, H), 0.84 * H, H, hex(0x4E6A4C), hex(0x1E302C));
    paintConifers(p, rng, slope2, 0.1 * H, 0.3 * H, 0.022 * W, hex(0x1C302C), hex(0x55785E), 0.5);

    const QImage base = canvas.finish();
    BrushPainter::Style style = oilStyle();
    // Sky and snow take long sweeps; among the trees the brush dabs, so stands keep their
    // spires instead of running down in streaks.
    style.restWander = 0.25;
    style.crisp = true;
    style.edgeFollow = 0.5;
    // On the massif the strokes run down the fall line, parallel to the ridge above them, so
    // the faces read as rock planes; the sky stays level.
    style.restAngleAt = [&](QPointF at) {
        const double top = lineY(main, at.x());
        if (at.y() < top || at.y() > horizon)
            return 0.0;
        const double d = 0.01 * W;
        return std::atan2(lineY(main, at.x() + d) - lineY(main, at.x() - d), 2 * d);
    };
    style.lengthAt = [&](QPointF at) {
        return 1.0 - 0.8 * smoothstep(horizon - 0.1 * H, horizon, at.y());
    };
    return BrushPainter(base, 0x0115).paint(style);
}

QImage paintMountainLake(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x1A3E);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double water = 0.62 * H;

    fillVertical(p, QRectF(0, 0, W, water),
                 {{0.0, hex(0x7E9CC0)}, {0.6, hex(0xC9D4DE)}, {1.0, hex(0xF2DDC8)}});
    paintGlow(p, QPointF(0.7 * W, 0.45 * H), 0.45 * H, hex(0xFFEAD0, 0.7));
    // Upright scene on its own layer so it can be mirrored into the lake.
    QImage upright(size, QImage::Format_ARGB32_Premultiplied);
    upright.fill(Qt::transparent);
    {
        QPainter q(&upright);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(Qt::NoPen);
        const QPolygonF far = mountainRidge(
            rng, W, water - 0.04 * H, 0.36 * H,
            [](double t) {
                return std::max(std::exp(-std::abs(t - 0.35) / 0.12),
                                0.8 * std::exp(-std::abs(t - 0.75) / 0.1));
            },
            0.04 * H, 0.65);
        const QPainterPath farArea = areaBelow(far, water);
        fillPathVertical(q, farArea, water - 0.4 * H, water, hex(0x8E97AE), hex(0xA9B2C2));
        q.save();
        q.setClipPath(farArea);
        q.fillPath(snowField(far, rng, water - 0.28 * H, 0.03 * H), hex(0xEEF0F4));
        q.fillPath(ridgeShadows(far, water, rng), hex(0x5E6884, 0.45));
        q.restore();
        // Forested slopes come down to the water on both sides.
        for (int side = 0; side < 2; ++side) {
            const QPolygonF slope =
                profileLine(side == 0 ? -0.02 * W : 0.62 * W, side == 0 ? 0.4 * W : 1.02 * W, 80,
                            [&](double t) {
                                const double f = side == 0 ? t : 1.0 - t;
                                return water - 0.22 * H * std::pow(1.0 - f, 1.6) - 0.01 * H;
                            });
            const QPainterPath area = areaBelow(slope, water);
            fillPathVertical(q, area, water - 0.25 * H, water, hex(0x51675E), hex(0x3C514A));
            paintConifers(q, rng, slope, 0.03 * H, 0.07 * H, 0.009 * W, hex(0x3A5048),
                          hex(0x62786C));
        }
        const QPolygonF shore = rollingLine(W, water, 0.004 * H, 0x1A, 5.0);
        paintConifers(q, rng, shore, 0.03 * H, 0.08 * H, 0.008 * W, hex(0x2C423C), hex(0x4F665A),
                      0.25);
        q.fillRect(QRectF(0, water - 0.006 * H, W, 0.008 * H), hex(0x2F4640));
    }
    p.drawImage(0, 0, upright);
    // The reflection: mirrored, darkened a little and smeared sideways by the ripples.
    {
        QImage mirror = upright.mirrored(false, true);
        const int shift = static_cast<int>(2 * water - H);
        QImage reflection(size, QImage::Format_ARGB32_Premultiplied);
        reflection.fill(Qt::transparent);
        QPainter r(&reflection);
        r.drawImage(0, shift, mirror);
        r.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        r.fillRect(QRectF(0, 0, W, H), hex(0x6A8296, 0.25));
        // Far from the shore the water shows more sky than mirror.
        r.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient fade(0, water, 0, H);
        fade.setColorAt(0.0, QColor(0, 0, 0, 255));
        fade.setColorAt(0.55, QColor(0, 0, 0, 120));
        fade.setColorAt(1.0, QColor(0, 0, 0, 0));
        r.fillRect(QRectF(0, 0, W, H), fade);
        r.end();
        p.fillRect(QRectF(0, water, W, H - water), hex(0x9FB2C2));
        fillVertical(p, QRectF(0, water, W, H - water),
                     {{0.0, hex(0xD8D8D8)}, {1.0, hex(0x6F8699)}});
        p.drawImage(0, 0, blurred(reflection, static_cast<int>(5 * u)));
    }
    p.setPen(Qt::NoPen);
    // Glints gather on the water under the bright part of the sky.
    for (int i = 0; i < 60; ++i) {
        const double y = water + 0.01 * H + std::pow(rng.uniform(), 1.3) * (H - water);
        const double d = (y - water) / (H - water);
        p.setBrush(hex(0xF2E6D8, (0.25 + 0.3 * (1 - d)) * rng.range(0.5, 1.0)));
        p.drawRoundedRect(QRectF(0.68 * W + rng.gauss() * (0.08 + 0.1 * d) * W, y,
                                 rng.range(0.3, 1.0) * (0.02 + 0.06 * d) * W, (1.5 + 3 * d) * u),
                          u, u);
    }
    // Morning mist lying on the water and along the mountain feet.
    QPainterPath band;
    band.addRect(QRectF(-0.1 * W, water - 0.07 * H, 1.2 * W, 0.09 * H));
    p.drawImage(0, 0, softShape(size, band, static_cast<int>(40 * u), hex(0xF4EEE8, 0.8)));
    QPainterPath wisps;
    for (int i = 0; i < 5; ++i)
        wisps.addPath(
            stratusPath(rng, QPointF(rng.range(0.1, 0.9) * W, water - rng.range(0.08, 0.2) * H),
                        rng.range(0.2, 0.4) * W, 0.03 * H));
    p.drawImage(0, 0, softShape(size, wisps, static_cast<int>(24 * u), hex(0xF6F0EA, 0.6)));
    // Near shore: a grassy bank with reeds on the left, dark firs on the right.
    const QPolygonF bank =
        profileLine(-0.02 * W, 0.4 * W, 60, [&](double t) { return H * (0.9 + 0.14 * t * t); });
    fillPathVertical(p, areaBelow(bank, H * 1.02), 0.9 * H, H, hex(0x6C7A4A), hex(0x4A5636));
    paintGrass(p, rng, QRectF(-0.02 * W, 0.9 * H, 0.32 * W, 0.1 * H), 260, 0.05 * H, 0.14 * H,
               hex(0x55613A), hex(0x8A8C5A), 0.15);
    // The firs on the right stand on a rocky spit of their own, with their feet in grass and
    // their dark reflection just beside it.
    const QPolygonF spit = profileLine(0.66 * W, 1.02 * W, 60, [&](double t) {
        return H * (0.93 - 0.08 * std::pow(t, 0.7) +
                    0.008 * (fbm1(static_cast<float>(t * 6), 0x1A5, 2) - 0.5));
    });
    QPainterPath spitArea = areaBelow(spit, H * 1.02);
    QPainterPath spitShadow;
    spitShadow.addRect(QRectF(0.64 * W, lineY(spit, 0.7 * W), 0.4 * W, 0.03 * H));
    p.drawImage(0, 0, softShape(size, spitShadow, static_cast<int>(14 * u), hex(0x3C4E52, 0.5)));
    fillPathVertical(p, spitArea, 0.84 * H, H, hex(0x6E7A52), hex(0x46502F));
    p.fillPath(areaBetween(spit.translated(0, 0.01 * H), spit.translated(0, 0.035 * H)),
               hex(0x5E5A52, 0.6));
    paintGrass(p, rng, QRectF(0.68 * W, 0.86 * H, 0.34 * W, 0.14 * H), 220, 0.03 * H, 0.08 * H,
               hex(0x4E5A34), hex(0x84865A), 0.12);
    const QPointF firs[] = {{0.93 * W, lineY(spit, 0.93 * W) + 0.01 * H},
                            {0.83 * W, lineY(spit, 0.83 * W) + 0.01 * H},
                            {0.77 * W, lineY(spit, 0.77 * W) + 0.008 * H},
                            {0.99 * W, lineY(spit, 0.99 * W) + 0.01 * H}};
    const double heights[] = {0.62, 0.44, 0.26, 0.5};
    for (int i = 0; i < 4; ++i) {
        const double h = heights[i] * H;
        const QPainterPath tree = firTree(rng, firs[i], h, h * rng.range(0.42, 0.52)).body;
        const QColor body = mix(hex(0x1F302B), hex(0x3A5246), 0.25 * i);
        p.fillPath(tree, body);
        p.save();
        p.setClipPath(tree);
        p.fillRect(QRectF(firs[i].x(), firs[i].y() - h, h, h), withAlpha(hex(0x56705E), 0.55));
        p.restore();
    }
    const QImage base = canvas.finish();
    // Still air and still water: strokes lie level wherever the picture has no edge to follow,
    // and stay short, so the far shore and its mirror keep their shapes instead of swirling.
    BrushPainter::Style style = oilStyle();
    style.passes = {
        {30, 4.0, 1.3, 1.0, 0.2, 0.0},
        {16, 4.0, 1.2, 1.0, 0.18, 0.0},
        {8, 3.5, 1.0, 0.9, 0.14, 0.07},
    };
    style.edgeStop = 0.09;
    style.restAngle = 0.0;
    style.restWander = 0.08;
    style.crisp = true;
    style.edgeFollow = 0.25;
    return BrushPainter(base, 0x1A3E).paint(style);
}

} // namespace tavlin::backdrops
