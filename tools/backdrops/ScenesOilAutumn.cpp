#include "BrushPainter.h"
#include "Canvas.h"
#include "Finish.h"
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

// A tapering trunk with its own lean and bend, forking into two or three limbs that reach up
// into the crown. Returns the points where the limbs end, so foliage can hang from them.
std::vector<QPointF> paintTrunk(QPainter& p, Random& rng, QPointF base, double height, double width,
                                const QColor& bark, const QColor& lit)
{
    const double lean = rng.range(-0.06, 0.06) * height;
    const double bend = rng.range(-0.04, 0.04) * height;
    const double fork = height * rng.range(0.38, 0.52);
    const QPointF top(base.x() + lean, base.y() - fork);
    QPainterPath trunk;
    trunk.moveTo(base + QPointF(-width * 0.65, 0));
    trunk.quadTo(QPointF(base.x() + bend - width * 0.45, base.y() - fork * 0.5),
                 top + QPointF(-width * 0.3, 0));
    trunk.lineTo(top + QPointF(width * 0.3, 0));
    trunk.quadTo(QPointF(base.x() + bend + width * 0.45, base.y() - fork * 0.5),
                 base + QPointF(width * 0.65, 0));
    trunk.closeSubpath();
    p.fillPath(trunk, bark);
    // The sunward side of the bark.
    p.save();
    p.setClipPath(trunk);
    p.fillPath(trunk.translated(width * 0.45, 0), withAlpha(lit, 0.5));
    p.restore();
    std::vector<QPointF> ends;
    const int limbs = rng.integer(2, 3);
    for (int i = 0; i < limbs; ++i) {
        const double spread = (i - (limbs - 1) / 2.0) * rng.range(0.12, 0.22) * height;
        const QPointF end(top.x() + spread, top.y() - height * rng.range(0.22, 0.36));
        QPainterPath limb;
        limb.moveTo(top + QPointF(-width * 0.25, 0));
        limb.quadTo(QPointF(top.x() + spread * 0.3, end.y() + height * 0.1), end);
        limb.quadTo(QPointF(top.x() + spread * 0.3 + width * 0.3, end.y() + height * 0.1),
                    top + QPointF(width * 0.25, 0));
        limb.closeSubpath();
        p.fillPath(limb, bark);
        ends.push_back(end);
    }
    return ends;
}

// Foliage in clumps: each clump a rounded mass shaded on its lower right and lit on its upper
// left, with sky left between clumps, so the crown has a form and not one flat outline.
void paintCrown(QPainter& p, Random& rng, const std::vector<QPointF>& limbs, double size,
                const QColor& leaf)
{
    const QColor dark = shade(leaf, 0.72);
    const QColor lit = mix(shade(leaf, 1.12), hex(0xF6E6C4), 0.15);
    std::vector<std::pair<QPointF, double>> clumps;
    for (const QPointF& end : limbs) {
        const int n = rng.integer(3, 4);
        for (int i = 0; i < n; ++i)
            clumps.emplace_back(
                end + QPointF(rng.range(-0.7, 0.7) * size, rng.range(-0.5, 0.7) * size),
                size * rng.range(0.45, 0.75));
    }
    for (const auto& [c, r] : clumps)
        p.fillPath(canopyPath(rng, c + QPointF(r * 0.12, r * 0.15), r, r * 0.8, 7), dark);
    for (const auto& [c, r] : clumps) {
        const QPainterPath body = canopyPath(rng, c, r * 0.92, r * 0.72, 7);
        p.fillPath(body, leaf);
        p.save();
        p.setClipPath(body);
        p.fillPath(canopyPath(rng, c + QPointF(-r * 0.25, -r * 0.25), r * 0.6, r * 0.45, 5), lit);
        p.restore();
        // Leaf masses breaking the rim, so the clump's edge is foliage and not a smooth balloon:
        // lit on the sunward upper left, in shade on the lower right.
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 22; ++i) {
            const double a = rng.range(0, 2 * 3.14159265);
            const double at = rng.range(0.7, 1.02);
            const QPointF dab(c.x() + std::cos(a) * r * 0.92 * at,
                              c.y() + std::sin(a) * r * 0.72 * at);
            const double facing = -(std::cos(a) + std::sin(a)) * 0.7071;
            // Shade only on the rim; dark spots inside the mass would read as polka dots.
            p.setBrush(facing > 0.3 ? lit : facing < -0.4 && at > 0.9 ? dark : leaf);
            const double dabSize = r * rng.range(0.08, 0.16);
            p.drawEllipse(dab, dabSize * 1.3, dabSize);
        }
    }
}

} // namespace

QImage paintAutumnForest(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xA7F0);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double ground = 0.66 * H;

    // A hazy late-autumn morning: the colours are muted rust and ochre rather than full orange,
    // so the picture stays quiet behind a call.
    fillVertical(p, QRectF(0, 0, W, ground + 0.1 * H),
                 {{0.0, hex(0xDCCDB4)}, {0.6, hex(0xEADCC2)}, {1.0, hex(0xDCC6A4)}});
    paintGlow(p, QPointF(0.62 * W, 0.3 * H), 0.6 * H, hex(0xF8EDD6, 0.7));
    const QColor leaves[] = {hex(0xC98A4A), hex(0xB56A43), hex(0xCFA75A),
                             hex(0xA65A40), hex(0xBE9550), hex(0x8E6A3E)};
    const QColor haze = hex(0xE6D6BC);
    // A hazy wall of woodland far back, so the light between the trunks has depth.
    const QPolygonF wall = rollingLine(W, ground - 0.2 * H, 0.05 * H, 0xA7F1, 6.0);
    fillPathVertical(p, areaBelow(wall, ground + 0.1 * H), ground - 0.3 * H, ground, hex(0xD4BC9C),
                     hex(0xCDB597));
    for (int i = 0; i < 40; ++i) {
        const double x = rng.uniform() * W;
        p.fillPath(canopyPath(rng, QPointF(x, lineY(wall, x) + 0.02 * H), 0.04 * W, 0.05 * H, 8),
                   mix(leaves[rng.integer(0, 5)], haze, 0.65));
    }
    // The floor goes down before the trees, so every trunk stands on it; it runs up under the
    // far wall, leaving no strip of sky between the two.
    const QPolygonF floorLine = rollingLine(W, ground + 0.005 * H, 0.008 * H, 0xA7, 3.0);
    const QPainterPath floor = areaBelow(floorLine, H * 1.02);
    fillPathVertical(p, floor, ground, H, hex(0xC9A77C), hex(0x8E6440));
    QPainterPath path;
    path.moveTo(0.36 * W, H * 1.01);
    path.cubicTo(QPointF(0.45 * W, 0.86 * H), QPointF(0.62 * W, 0.8 * H),
                 QPointF(0.5 * W, ground + 0.03 * H));
    path.lineTo(0.512 * W, ground + 0.03 * H);
    path.cubicTo(QPointF(0.66 * W, 0.8 * H), QPointF(0.6 * W, 0.88 * H),
                 QPointF(0.66 * W, H * 1.01));
    path.closeSubpath();
    fillPathVertical(p, path, ground, H, hex(0xE2CCA4), hex(0xC7A374));
    // Leaf litter in drifts: denser at the path's edges and under the trees.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 1400; ++i) {
        const double y = ground + 0.02 * H + std::pow(rng.uniform(), 0.7) * 0.36 * H;
        const double x = rng.uniform() * W;
        const double d = (y - ground) / (H - ground);
        const double r = (1.5 + 6 * d) * u;
        p.setBrush(withAlpha(mix(leaves[rng.integer(0, 5)], haze, 0.3 * (1 - d)), 0.8));
        p.drawEllipse(QPointF(x, y), r * 1.6, r * 0.8);
    }
    // Three depths of trees, each its own height, girth, lean and bark; the far ones pale.
    for (int layer = 0; layer < 3; ++layer) {
        const double far = 1.0 - layer / 2.0;
        const int count = 20 - layer * 6;
        for (int i = 0; i < count; ++i) {
            const double x = (i + rng.range(-0.4, 0.4)) / count * 1.1 * W - 0.05 * W;
            if (layer == 2 && std::abs(x - 0.5 * W) < 0.16 * W)
                continue;
            const double base = ground + (0.015 + 0.06 * layer) * H + rng.range(0.0, 0.02) * H;
            const double height = H * (0.3 + 0.22 * layer) * rng.range(0.75, 1.2);
            const QColor leaf = mix(leaves[rng.integer(0, 5)], haze, 0.6 * far);
            const QColor bark = mix(rng.chance(0.25) ? hex(0x8A8078) : hex(0x4A3A30), haze,
                                    0.6 * far + rng.range(0.0, 0.1));
            const double girth = height * rng.range(0.025, 0.05);
            // A soft shadow where the trunk meets the ground.
            p.setBrush(withAlpha(shade(hex(0x8E6440), 0.8), 0.35 * (1 - 0.5 * far)));
            p.drawEllipse(QPointF(x + girth, base), girth * 2.2, girth * 0.35);
            const auto limbs =
                paintTrunk(p, rng, QPointF(x, base), height, girth, bark, mix(bark, haze, 0.5));
            paintCrown(p, rng, limbs, height * 0.22, leaf);
        }
        // Haze settles between the rows.
        fillPathVertical(
            p, areaBelow(profileLine(0, W, 2, [&](double) { return 0.0; }), ground + 0.08 * H),
            0.3 * H, ground + 0.08 * H, withAlpha(haze, 0.0), withAlpha(haze, 0.22 * far));
    }
    // Big near trunks framing the view, one broad and one slimmer, with crowns spilling in
    // from the top corners.
    for (int side = 0; side < 2; ++side) {
        const double x = side == 0 ? 0.08 * W : 0.9 * W;
        const double tw = side == 0 ? 0.04 * W : 0.028 * W;
        const double lean = side == 0 ? 0.02 * W : -0.012 * W;
        QPainterPath trunk;
        trunk.moveTo(x - tw, H * 1.01);
        trunk.quadTo(QPointF(x - tw * 0.6 + lean, 0.5 * H),
                     QPointF(x - tw * 0.4 + lean, -0.01 * H));
        trunk.lineTo(x + tw * 0.4 + lean, -0.01 * H);
        trunk.quadTo(QPointF(x + tw * 0.6 + lean, 0.5 * H), QPointF(x + tw, H * 1.01));
        trunk.closeSubpath();
        fillPathVertical(p, trunk, 0, H, hex(0x5A4838), hex(0x3C3028));
        p.save();
        p.setClipPath(trunk);
        p.fillPath(trunk.translated(tw * 0.9, 0), hex(0xB89E7E, 0.35));
        p.restore();
        std::vector<QPointF> limbs;
        for (int i = 0; i < 4; ++i)
            limbs.emplace_back(x + (side == 0 ? 1 : -1) * rng.range(-0.03, 0.16) * W,
                               rng.range(-0.04, 0.14) * H);
        paintCrown(p, rng, limbs, 0.09 * W, leaves[side == 0 ? 1 : 4]);
    }
    // Slanting light through the canopy.
    for (int i = 0; i < 4; ++i) {
        const double x = (0.45 + 0.09 * i) * W;
        QPainterPath beam;
        beam.moveTo(x, 0);
        beam.lineTo(x + 0.04 * W, 0);
        beam.lineTo(x - 0.12 * W, H);
        beam.lineTo(x - 0.2 * W, H);
        beam.closeSubpath();
        p.drawImage(0, 0, softShape(size, beam, static_cast<int>(30 * u), hex(0xFFF1D2, 0.16)));
    }
    const QImage base = canvas.finish();
    // Loaded brushes in three sizes, the colour taken straight from the picture so trunks and
    // crowns keep clean edges, and a calm variation in colour from stroke to stroke.
    BrushPainter::Style style;
    style.passes = {
        {40, 5.0, 1.3, 1.0, 0.14, 0.0},
        {22, 5.0, 1.2, 1.0, 0.12, 0.0},
        {11, 4.5, 1.0, 0.9, 0.1, 0.07},
    };
    style.bristles = 4;
    style.bristleContrast = 0.05;
    style.edgeStop = 0.12;
    style.crisp = true;
    style.edgeFollow = 0.5;
    // Upright among the trunks; on the forest floor the strokes lie across, as the ground does.
    style.restAngleAt = [&](QPointF at) {
        return 1.5707963 * (1.0 - smoothstep(ground + 0.02 * H, ground + 0.1 * H, at.y()));
    };
    style.restWander = 0.5;
    return BrushPainter(base, 0xA7F0).paint(style);
}

} // namespace tavlin::backdrops
