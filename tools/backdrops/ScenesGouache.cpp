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

#include <cmath>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

// Opaque, matte paint laid with a flat brush: broad strokes that barely change colour, a
// faint bristle drag and almost no relief.
QImage gouache(const QImage& base, quint32 seed)
{
    BrushPainter::Style style;
    style.passes = {
        {40, 4.0, 1.4, 0.9, 0.1, 0.0},
        {20, 4.0, 1.3, 0.85, 0.08, 0.0},
        {10, 3.0, 1.0, 0.9, 0.06, 0.08},
    };
    style.bristles = 3;
    style.bristleContrast = 0.05;
    style.impasto = 0.1;
    style.edgeStop = 0.09;
    style.crisp = true;
    style.edgeFollow = 0.3;
    QImage painted = BrushPainter(base, seed).paint(style);
    gouacheFinish(painted, seed, 1.0);
    return painted;
}

void paintFir(QPainter& p, Random& rng, QPointF base, double height, double width,
              const QColor& dark, const QColor& light)
{
    const FirTree fir = firTree(rng, base, height, width);
    p.fillPath(fir.body, dark);
    p.fillPath(fir.lit, mix(dark, light, 0.6));
}

} // namespace

QImage paintPineFog(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xF06);
    const double W = canvas.width();
    const double H = canvas.height();

    fillVertical(p, QRectF(0, 0, W, H),
                 {{0.0, hex(0xB9C8C6)}, {0.5, hex(0xDCE0D8)}, {1.0, hex(0xE9E6DC)}});
    paintSun(p, QPointF(0.7 * W, 0.26 * H), 0.05 * H, hex(0xF4EEDD), hex(0xFFFBEE, 0.5), 0.3 * H);

    // Forested ridges stepping forward out of the fog: each ridge is solid at its treetops and
    // dissolves into the fog lying in the valley below it.
    const QColor colors[] = {hex(0x9DB0AA), hex(0x7D948B), hex(0x5D766B), hex(0x3F584E),
                             hex(0x243A32)};
    const QColor fog = hex(0xE2E4DC);
    for (int i = 0; i < 5; ++i) {
        const double t = i / 4.0;
        const double base = H * (0.47 + 0.115 * i);
        const double amp = H * (0.035 + 0.03 * t);
        const double f1 = rng.range(3.0, 6.0);
        const double ph = rng.range(0, 2 * pi);
        const QPolygonF ridge = profileLine(-0.02 * W, 1.02 * W, 240, [&](double x) {
            return base -
                   amp * (0.65 * std::sin(x * f1 + ph) + 0.35 * std::sin(x * f1 * 2.7 + ph * 1.7));
        });
        const QPainterPath forest = areaBelow(ridge, H * 1.02);
        const double tall = H * (0.05 + 0.13 * t);
        const QPainterPath trees = firRow(rng, ridge, tall * 0.35, tall, tall * 0.2, tall * 0.15);
        for (const QPainterPath& part : {forest, trees})
            fillPathVertical(p, part, base - amp - tall * 0.5, base + 0.12 * H, colors[i],
                             i == 4 ? colors[i] : mix(colors[i], fog, 0.8));
    }
    // Two tall firs standing close on the right.
    paintFir(p, rng, QPointF(0.86 * W, H * 1.03), 0.85 * H, 0.15 * W, hex(0x24372F), hex(0x3B5447));
    paintFir(p, rng, QPointF(0.97 * W, H * 1.03), 0.7 * H, 0.13 * W, hex(0x2A3F36), hex(0x3E564A));
    paintFir(p, rng, QPointF(0.06 * W, H * 1.03), 0.5 * H, 0.1 * W, hex(0x2A3F36), hex(0x3E564A));
    return gouache(canvas.finish(), 0xF06);
}

QImage paintFjord(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xF10D);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double water = 0.6 * H;

    fillVertical(p, QRectF(0, 0, W, water),
                 {{0.0, hex(0x6F97B8)}, {0.6, hex(0xB7CCD8)}, {1.0, hex(0xE6E2D2)}});
    // Long flat streaks of high cloud, brushed in and left soft: they lie along the fjord
    // rather than sitting on the sky as separate puffs.
    {
        QPainterPath streaks;
        streaks.setFillRule(Qt::WindingFill);
        streaks.addPath(stratusPath(rng, QPointF(0.3 * W, 0.12 * H), 0.5 * W, 0.035 * H));
        streaks.addPath(stratusPath(rng, QPointF(0.72 * W, 0.07 * H), 0.42 * W, 0.025 * H));
        streaks.addPath(stratusPath(rng, QPointF(0.58 * W, 0.25 * H), 0.3 * W, 0.018 * H));
        p.drawImage(0, 0,
                    softShape(size, streaks.translated(0, 0.012 * H), static_cast<int>(18 * u),
                              hex(0x9FB4C6, 0.4)));
        p.drawImage(0, 0, softShape(size, streaks, static_cast<int>(14 * u), hex(0xF4F1E8, 0.65)));
    }
    // Distant mountains closing the fjord, then the two walls, each with a lit and a shaded face.
    const QPolygonF end = mountainRidge(
        rng, W, water, 0.24 * H,
        [](double t) { return 0.3 + 0.7 * std::exp(-std::abs(t - 0.52) / 0.1); }, 0.025 * H, 0.6);
    const QPainterPath endArea = areaBelow(end, water);
    p.fillPath(endArea, hex(0x93A6B8));
    p.save();
    p.setClipPath(endArea);
    p.fillPath(snowField(end, rng, water - 0.12 * H, 0.02 * H), hex(0xEEF1F3));
    p.fillPath(ridgeShadows(end, water, rng), hex(0x7388A0, 0.6));
    p.restore();

    auto wall = [&](bool left) {
        QPolygonF top;
        const int n = 120;
        const std::vector<double> crag = fractalProfile(rng, 7, 0.6);
        for (int i = 0; i <= n; ++i) {
            const double t = static_cast<double>(i) / n;
            const double x = left ? -0.02 * W + t * 0.44 * W : 1.02 * W - t * 0.4 * W;
            // High and steep near the viewer, dropping away into the distance. The shaded wall
            // is lower and rounder-shouldered, so the two sides do not mirror each other.
            const double fall = left ? 0.12 + 0.45 * std::pow(t, 1.5)
                                     : 0.24 + 0.33 * std::pow(t, 1.15) - 0.05 * std::sin(t * pi);
            const double y = H * fall + 0.025 * H * crag[static_cast<size_t>(i)];
            top << QPointF(x, y);
        }
        QPolygonF face = top;
        const QPointF tip = top.last();
        face << QPointF(tip.x(), water) << QPointF(left ? -0.02 * W : 1.02 * W, water + 0.02 * H);
        QPainterPath path;
        path.addPolygon(face);
        path.closeSubpath();
        return std::pair{top, path};
    };
    const auto [leftTop, leftWall] = wall(true);
    const auto [rightTop, rightWall] = wall(false);
    // The left wall faces the light; the right one is in shadow.
    p.fillPath(leftWall, hex(0x7D7A6E));
    p.fillPath(rightWall, hex(0x4E5560));
    for (const auto& [top, face, lit] :
         {std::tuple{leftTop, leftWall, true}, std::tuple{rightTop, rightWall, false}}) {
        p.save();
        p.setClipPath(face);
        // Green ledges along the top and in bands down the face.
        QPolygonF cap = top;
        for (int i = top.size() - 1; i >= 0; --i)
            cap << top[i] + QPointF(0, 0.03 * H + 0.02 * H * std::sin(i * 0.3));
        QPainterPath capPath;
        capPath.addPolygon(cap);
        capPath.closeSubpath();
        p.fillPath(capPath, lit ? hex(0x6F8B4E) : hex(0x3F5A44));
        // Ledges slanting down towards the fjord, each with a strip of turf.
        for (int i = 0; i < 9; ++i) {
            const double x0 = lit ? rng.range(-0.05, 0.3) * W : W - rng.range(-0.05, 0.3) * W;
            const double y0 = rng.range(0.25, 0.56) * H;
            const double len = rng.range(0.08, 0.18) * W;
            const double x1 = lit ? x0 + len : x0 - len;
            const double y1 = y0 + len * rng.range(0.2, 0.45);
            QPainterPath ledge;
            ledge.moveTo(x0, y0);
            ledge.lineTo(x1, y1);
            ledge.lineTo(x1, y1 + 0.008 * H);
            ledge.lineTo(x0, y0 + 0.018 * H);
            ledge.closeSubpath();
            p.fillPath(ledge, lit ? hex(0x62804A, 0.9) : hex(0x3A5342, 0.9));
            p.fillPath(ledge.translated(0, 0.018 * H),
                       lit ? hex(0x5E5B52, 0.5) : hex(0x353B45, 0.5));
        }
        // Streaks where water runs down the rock.
        for (int i = 0; i < 14; ++i) {
            const double x = lit ? rng.range(0.0, 0.4) * W : W - rng.range(0.0, 0.4) * W;
            const double y0 = lineY(lit ? top : QPolygonF(top.crbegin(), top.crend()), x);
            const double w = rng.range(3, 9) * u;
            QPainterPath streak;
            streak.moveTo(x - w, y0);
            streak.quadTo(QPointF(x, y0 + 0.2 * H), QPointF(x + rng.range(-1, 1) * w, water));
            streak.quadTo(QPointF(x + w, y0 + 0.2 * H), QPointF(x + w, y0));
            streak.closeSubpath();
            p.fillPath(streak, lit ? hex(0x625F55, 0.45) : hex(0x383E48, 0.45));
        }
        p.fillPath(ridgeShadows(top, water, rng, !lit),
                   lit ? hex(0x5C5A52, 0.6) : hex(0x3A404A, 0.6));
        p.restore();
    }
    // A spit of shore at the foot of the left wall with a red boathouse standing on it, drawn
    // before the water so the house is mirrored with the rest.
    QPainterPath strand;
    strand.addPolygon(QPolygonF{{0.04 * W, water + 0.006 * H},
                                {0.12 * W, water - 0.009 * H},
                                {0.3 * W, water - 0.011 * H},
                                {0.37 * W, water - 0.004 * H},
                                {0.41 * W, water + 0.002 * H},
                                {0.04 * W, water + 0.008 * H}});
    p.fillPath(strand, hex(0x6C8550));
    const QPointF house(0.22 * W, water - 0.006 * H);
    p.setBrush(hex(0x4B5A3C));
    p.drawEllipse(QPointF(house.x() + 0.02 * W, house.y()), 0.03 * W, 0.004 * H);
    p.setBrush(hex(0xA8392C));
    p.drawRect(QRectF(house.x(), house.y() - 0.03 * H, 0.035 * W, 0.03 * H));
    p.setBrush(hex(0x7E2A21));
    p.drawRect(QRectF(house.x() + 0.026 * W, house.y() - 0.03 * H, 0.009 * W, 0.03 * H));
    p.setBrush(hex(0x3A3432));
    p.drawPolygon(QPolygonF{{house.x() - 0.004 * W, house.y() - 0.029 * H},
                            {house.x() + 0.0175 * W, house.y() - 0.05 * H},
                            {house.x() + 0.039 * W, house.y() - 0.029 * H}});
    p.setBrush(hex(0x5A4A3C));
    p.drawRect(QRectF(house.x() + 0.035 * W, water - 0.004 * H, 0.05 * W, 0.003 * H));

    // Still water mirrors the walls, the far peaks and the sky; the mirror image breaks up a
    // little more with each ripple towards the viewer and darkens with depth.
    fillVertical(p, QRectF(0, water, W, H - water), {{0.0, hex(0xA9BCC8)}, {1.0, hex(0x3F6275)}});
    {
        const int depth = static_cast<int>(H - water);
        const QImage above =
            static_cast<const QImage*>(p.device())
                ->copy(0, static_cast<int>(water) - depth, static_cast<int>(W), depth)
                .mirrored(false, true);
        p.save();
        p.setOpacity(0.85);
        const int strip = std::max(1, static_cast<int>(2 * u));
        for (int y = 0; y < depth; y += strip) {
            const double d = static_cast<double>(y) / depth;
            const double dx =
                (fbm1(static_cast<float>(y / (6.0 * u)), 0xF10D, 2) - 0.5) * (2.0 + 40.0 * d) * u;
            p.drawImage(QPointF(dx, water + y), above, QRectF(0, y, W, strip));
        }
        p.restore();
    }
    fillVertical(
        p, QRectF(0, water, W, H - water),
        {{0.0, hex(0x8FA9BA, 0.1)}, {0.5, hex(0x4F7288, 0.3)}, {1.0, hex(0x2F4F63, 0.55)}});
    // Light catching the ripples, in loose groups down the middle of the fjord.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        const double y = water + 0.02 * H + std::pow(rng.uniform(), 1.4) * (H - water);
        const double d = (y - water) / (H - water);
        p.setBrush(hex(0xE8EEF0, rng.range(0.25, 0.55)));
        p.drawRoundedRect(QRectF(0.5 * W + rng.gauss() * 0.12 * W, y,
                                 rng.range(0.3, 1.0) * (0.015 + 0.05 * d) * W, (1.5 + 3 * d) * u),
                          u, u);
    }
    const QPointF boat(0.56 * W, 0.76 * H);
    p.setBrush(hex(0xF2EEE4, 0.7));
    p.drawPolygon(QPolygonF{boat + QPointF(-0.005 * W, 0), boat + QPointF(-0.09 * W, 0.05 * H),
                            boat + QPointF(-0.07 * W, 0.055 * H),
                            boat + QPointF(0.005 * W, 0.004 * H)});
    p.setBrush(hex(0xC9492F));
    p.drawPolygon(
        QPolygonF{boat + QPointF(-0.012 * W, -0.006 * H), boat + QPointF(0.018 * W, -0.006 * H),
                  boat + QPointF(0.012 * W, 0.004 * H), boat + QPointF(-0.008 * W, 0.004 * H)});
    p.setBrush(hex(0xF4F0E6));
    p.drawRect(QRectF(boat.x() - 0.004 * W, boat.y() - 0.016 * H, 0.01 * W, 0.01 * H));
    return gouache(canvas.finish(), 0xF10D);
}

} // namespace tavlin::backdrops
