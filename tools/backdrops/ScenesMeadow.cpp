#include "Buildings.h"
#include "Canvas.h"
#include "Coast.h"
#include "Conifer.h"
#include "Field.h"
#include "Finish.h"
#include "Flora.h"
#include "Noise.h"
#include "Palette.h"
#include "Random.h"
#include "Scenes.h"
#include "Sky.h"
#include "SpreadingTree.h"
#include "Terrain.h"

#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

} // namespace

QImage paintTallGrass(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x7A11);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.62 * H;

    fillVertical(
        p, QRectF(0, 0, W, H),
        {{0.0, hex(0x7D9CC4)}, {0.45, hex(0xDDC3C0)}, {0.62, hex(0xFCD9A4)}, {1.0, hex(0xD4A870)}});
    const QPointF sun(0.66 * W, 0.56 * H);
    paintSun(p, sun, 0.04 * H, hex(0xFFF8E4), hex(0xFFE2A8, 0.8), 0.8 * H);
    for (int i = 0; i < 4; ++i) {
        const QPointF c(rng.range(0.05, 0.95) * W, rng.range(0.08, 0.35) * H);
        paintStratus(p, rng, c, rng.range(0.15, 0.3) * W, rng.range(0.01, 0.018) * H,
                     hex(0xFFF1E4, 0.45));
    }

    // Distance is out of focus: the far meadow and the back grass are painted on layers and
    // blurred before the sharp foreground goes on top.
    {
        QImage back(size, QImage::Format_ARGB32_Premultiplied);
        back.fill(Qt::transparent);
        QPainter b(&back);
        b.setRenderHint(QPainter::Antialiasing);
        b.setPen(Qt::NoPen);
        const QPolygonF trees = rollingLine(W, horizon, 0.015 * H, 71, 4.0);
        b.fillPath(areaBelow(trees, H), hex(0xB89C86));
        // A few single trees of different sizes stand out of the hedgerows, so the far line
        // has a shape to read through the haze; their tops catch a little of the sun.
        const double spots[] = {0.07, 0.12, 0.31, 0.49, 0.53, 0.88};
        for (const double spot : spots) {
            const double x = (spot + rng.range(-0.015, 0.015)) * W;
            const double h = rng.range(0.045, 0.1) * H;
            paintSpreadingTree(b, rng, QPointF(x, lineY(trees, x) + 0.01 * H), h,
                               {hex(0xA38A7C), hex(0xA08678), hex(0xAA9082), hex(0xC2A48C)},
                               rng.range(0.7, 1.2));
        }
        paintCopses(b, rng, trees, 0, W, 26 * u, hex(0xA78C7C), hex(0xB59884), 0.7);
        const QPolygonF field = rollingLine(W, horizon + 0.03 * H, 0.01 * H, 72, 2.0);
        fillPathVertical(b, areaBelow(field, H), horizon, H, hex(0xC9A775), hex(0x9E8A50));
        paintGrass(b, rng, QRectF(-0.02 * W, horizon + 0.04 * H, 1.04 * W, 0.2 * H), 2500, 0.02 * H,
                   0.05 * H, hex(0x9F8B52), hex(0xD8B97A), 0.2);
        b.end();
        p.drawImage(0, 0, blurred(back, static_cast<int>(5 * u)));
    }
    {
        QImage mid(size, QImage::Format_ARGB32_Premultiplied);
        mid.fill(Qt::transparent);
        QPainter m(&mid);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        paintGrass(m, rng, QRectF(-0.02 * W, 0.78 * H, 1.04 * W, 0.16 * H), 800, 0.08 * H, 0.18 * H,
                   hex(0x7E7440), hex(0xC2A661), 0.18);
        m.end();
        p.drawImage(0, 0, blurred(mid, static_cast<int>(4 * u)));
    }

    // Sharp foreground: tall stems with seed heads, tallest at the sides to keep the middle calm.
    // Few enough that they read as single stems rather than a texture.
    struct Stem
    {
        QPointF base;
        double height;
        double bend;
        bool seedHead;
        double tone;
    };
    std::vector<Stem> stems;
    for (int i = 0; i < 330; ++i) {
        const double fx = rng.uniform();
        const double side = std::pow(std::abs(fx - 0.5) * 2.0, 1.5);
        const double h = H * (0.12 + 0.42 * side) * rng.range(0.5, 1.0);
        stems.push_back({QPointF(fx * W, H * rng.range(1.0, 1.05)), h,
                         h * (0.18 + rng.range(-0.1, 0.14)) * (fx < 0.5 ? 1.0 : 0.8),
                         rng.chance(0.18), rng.uniform()});
    }
    for (const Stem& s : stems) {
        const QColor dark = mix(hex(0x5A5230), hex(0x8A7A45), s.tone);
        const double width = s.height * rng.range(0.018, 0.03);
        p.fillPath(grassBlade(s.base, s.height, width, s.bend), dark);
        // Backlight catches the sun-side edge of each blade.
        p.fillPath(grassBlade(s.base + QPointF(width * 0.25, 0), s.height, width * 0.3, s.bend),
                   withAlpha(hex(0xF6D48E), 0.5 + 0.4 * s.tone));
        if (!s.seedHead)
            continue;
        const QPointF tip(s.base.x() + s.bend, s.base.y() - s.height);
        const QPointF dir = QPointF(s.bend * 0.12, -s.height * 0.12);
        for (int k = 0; k < 9; ++k) {
            const double t = k / 9.0;
            const QPointF c = tip - dir * (t * 1.3);
            const double r = s.height * 0.012 * (1.0 - 0.6 * std::abs(t - 0.4));
            p.setBrush(hex(0xE9C983, 0.9));
            p.drawEllipse(c + QPointF((k % 2 ? 1 : -1) * r * 0.7, 0), r * 0.8, r * 1.4);
        }
    }
    return finishIllustration(canvas.finish(), 0x7A11);
}

QImage paintSeasideBarn(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x5EA8);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.56 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x4A86C0)}, {0.6, hex(0x8DBBE0)}, {1.0, hex(0xDDEBF1)}});
    // High fair-weather cloud: one soft heap and long wisps, lit from the sun on the right.
    // Crisp, like every other shape in the picture.
    paintFlatCumulus(p, rng, QPointF(0.72 * W, 0.2 * H), 0.18 * W, 0.065 * H, hex(0xFFFFFF),
                     hex(0xD6E1EC));
    paintFlatCumulus(p, rng, QPointF(0.9 * W, 0.34 * H), 0.08 * W, 0.025 * H, hex(0xF4F8FB),
                     hex(0xD8E4EE));
    for (int i = 0; i < 4; ++i)
        paintFlatStratus(p, rng, QPointF(rng.range(0.05, 0.6) * W, rng.range(0.1, 0.4) * H),
                         rng.range(0.12, 0.25) * W, 0.01 * H, hex(0xFFFFFF, 0.3));

    // Sea: deep at the horizon, turquoise near the shore, with glints.
    fillVertical(p, QRectF(0, horizon, W, H - horizon),
                 {{0.0, hex(0x3B6F9C)}, {0.35, hex(0x3F88AE)}, {1.0, hex(0x4FB0BE)}});
    // Glints come in broken rows where a swell catches the light, bunched towards the sun's
    // side and thinning out, rather than dashes spread evenly.
    for (int row = 0; row < 60; ++row) {
        const double y = horizon + 2 * u + std::pow(rng.uniform(), 1.4) * (H - horizon);
        const double d = (y - horizon) / (H - horizon);
        double x = (0.62 + rng.gauss() * 0.16) * W;
        const double strength = rng.range(0.25, 1.0);
        for (int k = rng.integer(1, 5); k > 0; --k) {
            const double len = (0.002 + 0.016 * d) * W * std::pow(rng.uniform(), 1.4) + 2 * u;
            p.setPen(QPen(hex(0xFFFFFF, (0.2 + 0.35 * d) * strength), (1.0 + 2.5 * d) * u,
                          Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(x, y), QPointF(x + len, y));
            x += len + rng.range(0.5, 4.0) * (0.004 + 0.012 * d) * W;
        }
    }
    p.setPen(Qt::NoPen);
    // Far headland across the water: a turf cap over a cliff face turned towards us, pale with
    // distance, with a faint line of surf at its foot.
    const QPolygonF headTop = profileLine(0.7 * W, 1.02 * W, 120, [&](double t) {
        return horizon - 0.012 * H -
               0.05 * H * std::pow(std::sin(t * pi * 0.5), 0.5) * (0.92 + 0.08 * std::sin(t * 23));
    });
    QPolygonF headFoot;
    for (const QPointF& pt : headTop)
        headFoot << QPointF(pt.x() + 0.004 * W, horizon + 0.006 * H);
    paintCliffFace(p, rng, headTop, headFoot,
                   {hex(0xC9C2B6), hex(0x98989A), hex(0x7F8188), hex(0x6C7480)}, u * 0.4);
    p.fillPath(areaBetween(headTop, headTop.translated(0, 0.007 * H)), hex(0x8FA88A));
    paintSurf(p, rng, headFoot, QPointF(-0.3, 1.0), u * 0.4, 0.6);
    p.setBrush(hex(0xFFFFFF));
    p.drawPolygon(QPolygonF{{0.47 * W, horizon - 0.002 * H},
                            {0.478 * W, horizon - 0.032 * H},
                            {0.484 * W, horizon - 0.002 * H}});
    p.setBrush(hex(0x2F4A60));
    p.drawRect(QRectF(0.466 * W, horizon - 0.002 * H, 0.02 * W, 0.004 * H));

    // Grassy bluff rising on the left above the horizon, falling to the sea in a cliff whose
    // face turns towards the sun and runs away along the coast.
    const QPolygonF top = profileLine(-0.02 * W, 0.62 * W, 200, [&](double t) {
        return 0.5 * H + 0.12 * H * std::pow(smoothstep(0.3, 1.0, t), 1.4) +
               0.006 * H * std::sin(t * 13.0);
    });
    const QPointF edge = top.last();
    // The coast runs away to the lower right in coves and blunt points, wider apart nearer
    // the viewer; a ruled brink reads as a map edge, not a shore.
    const QPointF coastEnd(0.8 * W, 1.03 * H);
    const QPointF coastDir = coastEnd - edge;
    const QPointF seaward =
        QPointF(coastDir.y(), -coastDir.x()) / std::hypot(coastDir.x(), coastDir.y());
    QPolygonF cliffTop;
    for (int i = 0; i <= 120; ++i) {
        const double t = i / 120.0;
        const double swing = std::sin(t * pi * 3.2 + 0.6) * 0.6 +
                             (fbm1(static_cast<float>(t * 7), 21, 3) - 0.5) * 0.9;
        cliffTop << edge + coastDir * t +
                        seaward * (swing * (0.012 + 0.04 * t) * W * smoothstep(0.0, 0.08, t));
    }
    // Below the brink a steep rock slope, turned to the sea and the sun, drops to the water;
    // seen from up on the field it shows as a band whose width wanders with the coves.
    QPolygonF cliffFoot;
    for (int i = 0; i < cliffTop.size(); ++i) {
        const double t = static_cast<double>(i) / (cliffTop.size() - 1);
        const double reach = (0.008 + 0.04 * t) * W *
                             (0.55 + 0.9 * fbm1(static_cast<float>(t * 9 + 3), 23, 2)) *
                             smoothstep(0.0, 0.05, t);
        cliffFoot << cliffTop[i] + seaward * reach + QPointF(0, (0.004 + 0.02 * t) * H);
    }
    // Shallows over the rocks at the foot, paler than the open water.
    QPolygonF shallowEdge;
    for (int i = 0; i < cliffFoot.size(); ++i) {
        const double t = static_cast<double>(i) / (cliffFoot.size() - 1);
        shallowEdge << cliffFoot[i] + seaward * (0.002 + 0.035 * t) * W;
    }
    p.fillPath(areaBetween(cliffTop, shallowEdge), hex(0x63C7C2, 0.4));
    // The slope is broken rock: blocks of many tones, lighter where they catch the sun near
    // the top, darker towards the wet foot, with a few clefts down the fall line. No lines
    // along it, which would read as planks or a boardwalk.
    const QPainterPath face = areaBetween(cliffTop, cliffFoot);
    fillPathVertical(p, face, lineY(cliffTop, edge.x() + 0.5 * coastDir.x()) - 0.1 * H, H,
                     hex(0xA39684), hex(0x7A7068));
    p.save();
    p.setClipPath(face);
    const int n = static_cast<int>(cliffTop.size());
    for (int i = 0; i < 420; ++i) {
        const int k = rng.integer(0, n - 1);
        const double t = static_cast<double>(k) / (n - 1);
        const double down = rng.uniform();
        const QPointF at = cliffTop[k] + (cliffFoot[k] - cliffTop[k]) * down;
        const double r = rng.range(3.0, 9.0) * u * (0.5 + t);
        QPolygonF block;
        for (int c = 0; c < 5; ++c) {
            const double ang = c * 2 * pi / 5 + rng.range(-0.4, 0.4);
            block << at + QPointF(std::cos(ang) * r * 1.3, std::sin(ang) * r * 0.8);
        }
        const QColor tone = mix(hex(0xD8CCB4), hex(0x6A625B), down * 0.7 + rng.range(0.0, 0.4));
        p.setBrush(tone);
        p.drawPolygon(block);
        // Each block's underside in shade.
        p.setBrush(withAlpha(hex(0x4E4842), 0.35));
        p.drawPolygon(block.translated(0.3 * r, 0.5 * r).intersected(block));
    }
    for (int i = 0; i < 40; ++i) {
        const int k = rng.integer(0, n - 1);
        const QPointF a = cliffTop[k];
        const QPointF b = cliffFoot[std::clamp(k + rng.integer(-2, 2), 0, n - 1)];
        QPainterPath cleft(a);
        cleft.quadTo(a + (b - a) * 0.5 + QPointF(rng.range(-4, 4) * u, 0), b);
        p.strokePath(cleft, QPen(hex(0x4E4842, rng.range(0.3, 0.5)), rng.range(1.5, 3.5) * u,
                                 Qt::SolidLine, Qt::RoundCap));
    }
    QPainterPath footLine;
    footLine.addPolygon(cliffFoot);
    p.drawImage(0, 0,
                softShape(size, QPainterPathStroker(QPen(Qt::black, 10 * u)).createStroke(footLine),
                          static_cast<int>(5 * u), hex(0x4A4E50, 0.6)));
    p.restore();
    // Surf along the foot: soft foam, no beads.
    p.drawImage(0, 0,
                softShape(size, QPainterPathStroker(QPen(Qt::black, 14 * u)).createStroke(footLine),
                          static_cast<int>(8 * u), hex(0xFFFFFF, 0.35)));
    p.drawImage(0, 0,
                softShape(size, QPainterPathStroker(QPen(Qt::black, 4 * u)).createStroke(footLine),
                          static_cast<int>(2 * u), hex(0xFFFFFF, 0.75)));
    // The turf runs to the cliff's top edge.
    QPolygonF turf = top;
    for (const QPointF& pt : cliffTop)
        turf << pt;
    turf << QPointF(-0.02 * W, H * 1.03);
    QPainterPath grass;
    grass.addPolygon(turf);
    grass.closeSubpath();
    fillPathVertical(p, grass, 0.48 * H, H, hex(0x9CC46A), hex(0x5E9642));
    p.save();
    p.setClipPath(grass);
    p.fillPath(grass.translated(-0.02 * W, 0.012 * H), hex(0x8BB95C));
    p.restore();
    p.setPen(QPen(hex(0x5E7A3E, 0.8), 3 * u));
    p.drawPolyline(cliffTop);
    p.setPen(Qt::NoPen);

    // The barn stands in the field below the crest, so there is ground behind it. Track,
    // flowers and shadow lie on the ground and go down first; the barn stands over them.
    const QPointF foot(0.16 * W, lineY(top, 0.25 * W) + 0.11 * H);
    QPainterPath track;
    track.moveTo(0.3 * W, H * 1.01);
    track.cubicTo(QPointF(0.34 * W, 0.8 * H), QPointF(0.24 * W, 0.66 * H),
                  QPointF(foot.x() + 0.045 * W, foot.y()));
    track.lineTo(foot.x() + 0.06 * W, foot.y());
    track.cubicTo(QPointF(0.28 * W, 0.66 * H), QPointF(0.42 * W, 0.8 * H),
                  QPointF(0.42 * W, H * 1.01));
    track.closeSubpath();
    p.fillPath(track, hex(0xCDBE99));
    scatterDots(p, rng, grass.subtracted(track), QRectF(0, 0.55 * H, 0.75 * W, 0.45 * H), 1600,
                2.6 * u, hex(0xFFFFFF), hex(0xF5D86A));
    p.drawImage(0, 0,
                softShape(
                    size,
                    [&] {
                        QPainterPath shadow;
                        shadow.addEllipse(
                            QRectF(foot.x() - 0.01 * W, foot.y() - 0.012 * H, 0.25 * W, 0.03 * H));
                        return shadow;
                    }(),
                    static_cast<int>(8 * u), hex(0x2F5A22, 0.35)));
    // Drawn crisp like the field round it, only tinted a little by the air between.
    {
        QImage barn(size, QImage::Format_ARGB32_Premultiplied);
        barn.fill(Qt::transparent);
        QPainter b(&barn);
        b.setRenderHint(QPainter::Antialiasing);
        paintBarn(b, foot, 0.22 * W,
                  {hex(0xB7412F), hex(0x8E2F24), hex(0x5B5D66), hex(0x474951), hex(0xF4EFE6),
                   hex(0x3A4350)});
        b.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        b.fillRect(barn.rect(), hex(0xC6D8E6, 0.1));
        b.end();
        p.drawImage(0, 0, barn);
    }
    paintGrass(p, rng, QRectF(-0.02 * W, 0.9 * H, 0.3 * W, 0.1 * H), 500, 0.025 * H, 0.06 * H,
               hex(0x4C8338), hex(0x9FCB6A), 0.3);
    paintGrass(p, rng, QRectF(0.45 * W, 0.9 * H, 0.2 * W, 0.1 * H), 400, 0.025 * H, 0.06 * H,
               hex(0x4C8338), hex(0x9FCB6A), 0.3);
    return finishIllustration(canvas.finish(), 0x5EA8);
}

QImage paintPaperHills(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x9A9E);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();

    fillVertical(p, QRectF(0, 0, W, H),
                 {{0.0, hex(0xF2C4B3)}, {0.5, hex(0xF9DCCB)}, {1.0, hex(0xFCEBDD)}});
    // Paper sun and clouds: flat cut shapes lifted off the backing by soft shadows.
    const QPointF sunCentre(0.7 * W, 0.28 * H);
    QPainterPath sun;
    sun.addEllipse(sunCentre, 0.085 * H, 0.085 * H);
    p.drawImage(0, 0,
                softShape(size, sun.translated(4 * u, 8 * u), static_cast<int>(12 * u),
                          hex(0x6E3B3A, 0.25)));
    p.fillPath(sun, hex(0xFFF1E0));
    const QPointF cloudSpots[] = {{0.2 * W, 0.24 * H}, {0.52 * W, 0.14 * H}, {0.86 * W, 0.4 * H}};
    for (const QPointF& c : cloudSpots) {
        const QPainterPath cloud = cumulusPath(rng, c, 0.12 * W, 0.05 * H);
        p.drawImage(0, 0,
                    softShape(size, cloud.translated(3 * u, 7 * u), static_cast<int>(10 * u),
                              hex(0x6E3B3A, 0.2)));
        p.fillPath(cloud, hex(0xFFF8F0));
    }

    // Hills from back to front; each casts a soft shadow onto the layer behind it.
    const QColor colors[] = {hex(0xF1C0AE), hex(0xE8A79A), hex(0xDB8D89), hex(0xC47681),
                             hex(0xA1617A), hex(0x7C5070), hex(0x5A4163), hex(0x3E3456)};
    const int layers = 8;
    for (int i = 0; i < layers; ++i) {
        const double t = static_cast<double>(i) / (layers - 1);
        const double base = H * (0.52 + 0.42 * std::pow(t, 1.15));
        // Two sines make bold, smooth swells that read well as cut card.
        const double amp = H * (0.035 + 0.05 * t);
        const double f1 = rng.range(4.0, 7.0);
        const double f2 = rng.range(9.0, 13.0);
        const double ph1 = rng.range(0, 2 * pi);
        const double ph2 = rng.range(0, 2 * pi);
        const QPolygonF ridge = profileLine(-0.02 * W, 1.02 * W, 240, [&](double x) {
            return base - amp * (0.7 * std::sin(x * f1 + ph1) + 0.3 * std::sin(x * f2 + ph2));
        });
        const QPainterPath hill = areaBelow(ridge, H * 1.02);
        p.drawImage(0, 0,
                    softShape(size, hill.translated(0, -5 * u), static_cast<int>(14 * u),
                              hex(0x3A2030, 0.32)));
        fillPathVertical(p, hill, base - H * 0.08, base + H * 0.25, shade(colors[i], 1.06),
                         shade(colors[i], 0.94));
        // A pale cut edge where the light catches the paper's thickness.
        QPainterPath lip = hill.subtracted(hill.translated(0, 2.5 * u));
        p.fillPath(lip, withAlpha(shade(colors[i], 1.25), 0.7));
        if (i == 5 || i == 7) {
            const double from = i == 5 ? 0.72 * W : 0.02 * W;
            const QPolygonF stretch = profileLine(from, from + 0.26 * W, 60, [&](double f) {
                return lineY(ridge, from + 0.26 * W * f);
            });
            const QPainterPath trees =
                coniferBodies(coniferStand(rng, stretch, 0.045 * H, 0.12 * H, 0.014 * W));
            p.drawImage(0, 0,
                        softShape(size, trees.translated(0, -4 * u), static_cast<int>(10 * u),
                                  hex(0x3A2030, 0.3)));
            p.fillPath(trees, colors[i]);
        }
    }
    QImage image = canvas.finish();
    // Paper fibre: a fine mottling with faint longer strands.
    const Field fibre =
        Field::fineNoise(image.width(), image.height(), static_cast<float>(2.5 * u), 0x9A9E, 2);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double strand = valueNoise(static_cast<float>(x / (40.0 * u)),
                                             static_cast<float>(y / (1.5 * u)), 0x51) -
                                  0.5;
            const double f = 1.0 + 0.05 * (fibre.at(x, y) - 0.5) + 0.02 * strand;
            const QRgb px = line[x];
            line[x] = qRgb(std::clamp(static_cast<int>(qRed(px) * f), 0, 255),
                           std::clamp(static_cast<int>(qGreen(px) * f), 0, 255),
                           std::clamp(static_cast<int>(qBlue(px) * f), 0, 255));
        }
    }
    return finishIllustration(image, 0x9A9E);
}

} // namespace tavlin::backdrops
