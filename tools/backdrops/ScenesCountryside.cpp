#include "Buildings.h"
#include "Canvas.h"
#include "Conifer.h"
#include "Finish.h"
#include "Flora.h"
#include "Palette.h"
#include "Random.h"
#include "Scenes.h"
#include "Sky.h"
#include "SpreadingTree.h"
#include "Terrain.h"

#include <cmath>

namespace tavlin::backdrops {

namespace {

constexpr double pi = 3.14159265358979;

} // namespace

QImage paintCountryRoad(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xC0A7);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.58 * H;

    fillVertical(
        p, QRectF(0, 0, W, horizon + 0.1 * H),
        {{0.0, hex(0x4F8CCB)}, {0.5, hex(0x94BFE4)}, {0.85, hex(0xE9E6D6)}, {1.0, hex(0xF6E3C0)}});
    paintGlow(p, QPointF(0.8 * W, 0.44 * H), 0.55 * H, hex(0xFFF0C8, 0.65));
    const QColor cloud = hex(0xFFFFFF, 0.96);
    const QColor cloudShade = hex(0xDDE3EE);
    // Crisp clouds, like every other shape here; distance shows as paler, smaller clouds.
    paintFlatCumulus(p, rng, QPointF(0.16 * W, 0.24 * H), 0.2 * W, 0.09 * H, cloud, cloudShade);
    paintFlatCumulus(p, rng, QPointF(0.55 * W, 0.13 * H), 0.13 * W, 0.05 * H, cloud, cloudShade);
    paintFlatCumulus(p, rng, QPointF(0.9 * W, 0.3 * H), 0.14 * W, 0.06 * H,
                     mix(cloud, hex(0xE9E6D6), 0.25), mix(cloudShade, hex(0xE9E6D6), 0.3));
    paintFlatStratus(p, rng, QPointF(0.38 * W, 0.36 * H), 0.22 * W, 0.012 * H, hex(0xFFFFFF, 0.35));

    // Hazy ranges first, then ever greener and more saturated hills towards the viewer.
    const QPolygonF far = mountainRidge(
        rng, W, horizon + 0.01 * H, 0.05 * H,
        [](double t) { return 0.5 + 0.5 * std::sin(t * 7.0 + 1.0); }, 0.015 * H);
    p.fillPath(areaBelow(far, H), hex(0xAFC3D4));
    const QPolygonF hill1 = rollingLine(W, horizon + 0.025 * H, 0.018 * H, 11, 4.0);
    p.fillPath(areaBelow(hill1, H), hex(0xA9C59B));
    paintCopses(p, rng, hill1, 0, W, 12 * u, hex(0x8BAA80), hex(0x9DBA8F), 1.6);
    const QPolygonF hill2 = rollingLine(W, horizon + 0.052 * H, 0.025 * H, 23, 3.0);
    const QPainterPath hill2Area = areaBelow(hill2, H);
    fillPathVertical(p, hill2Area, horizon, 0.75 * H, hex(0x9DC47A), hex(0x8DB96A));
    paintCopses(p, rng, hill2, 0.05 * W, 0.95 * W, 20 * u, hex(0x5E8C4B), hex(0x76A35A), 1.2);

    // Patchwork fields: boundaries run towards a vanishing point on the horizon.
    const QPolygonF fields = rollingLine(W, horizon + 0.095 * H, 0.03 * H, 37, 2.4);
    const QPainterPath fieldArea = areaBelow(fields, H);
    p.fillPath(fieldArea, hex(0xA9CB67));
    p.save();
    p.setClipPath(fieldArea);
    const QPointF vanish(0.64 * W, horizon);
    const double edges[] = {-0.9, -0.35, 0.05, 0.42, 0.75, 1.4, 2.2};
    const QColor patches[] = {hex(0x9DC462), hex(0xC9CF73), hex(0x8FBE5E),
                              hex(0xB7CD69), hex(0x95C063), hex(0xC2CB70)};
    for (int i = 0; i < 6; ++i) {
        const QPolygonF patch{vanish, QPointF(edges[i] * W, H * 1.3),
                              QPointF(edges[i + 1] * W, H * 1.3)};
        p.setBrush(patches[i]);
        p.drawPolygon(patch);
        if (i % 2 == 1) {
            p.setPen(QPen(shade(patches[i], 0.93), 4 * u));
            for (double t = 0.03; t < 1.0; t += 0.06) {
                const double x = edges[i] + (edges[i + 1] - edges[i]) * t;
                p.drawLine(vanish, QPointF(x * W, H * 1.3));
            }
            p.setPen(Qt::NoPen);
        }
    }
    fillPathVertical(p, fieldArea, horizon, 0.8 * H, hex(0xC6D9B4, 0.45), hex(0xC6D9B4, 0.0));
    p.restore();
    paintCopses(p, rng, fields, 0.0, W, 22 * u, hex(0x4F7F42), hex(0x6B9A50), 0.9);

    // One road runs from the bottom edge over the rise and across the fields until it drops
    // behind the far hill. It lies on flat ground: a fixed width and gentle bends in ground
    // units, projected as 1/distance, so it narrows steadily and its parts always line up.
    const QPolygonF front = rollingLine(W, 0.765 * H, 0.025 * H, 5, 1.5);
    const double crestY = lineY(front, 0.6 * W);
    auto distanceAt = [&](double y) { return (y - horizon) / (H - horizon); };
    const double farY = horizon + 0.035 * H;
    const int samples = 320;
    QPolygonF left;
    QPolygonF right;
    QPolygonF shoulderL;
    QPolygonF shoulderR;
    std::vector<QPointF> centre;
    std::vector<double> half;
    for (int i = 0; i <= samples; ++i) {
        const double y = H * 1.02 + (farY - H * 1.02) * i / samples;
        const double d = distanceAt(y);
        const double z = 1.0 / d - 1.0;
        const double ground = -0.22 - 0.012 * z + 0.09 * std::sin(z * 0.55);
        const double x = vanish.x() + ground * W * d;
        const double hw = 0.14 * W * d;
        centre.emplace_back(x, y);
        half.push_back(hw);
        left << QPointF(x - hw, y);
        right << QPointF(x + hw, y);
        shoulderL << QPointF(x - hw * 1.1, y);
        shoulderR << QPointF(x + hw * 1.1, y);
    }
    const QPainterPath roadArea = areaBetween(shoulderL, shoulderR);
    auto paintRoad = [&](const QPainterPath& clip) {
        p.save();
        p.setClipPath(clip);
        p.fillPath(roadArea, hex(0xCDBB94));
        fillPathVertical(p, areaBetween(left, right), farY, H, hex(0xBDB7AE), hex(0x8C8782));
        // Centre dashes spaced evenly in ground distance, which is 1/d on screen.
        p.setBrush(hex(0xF4EBD2));
        for (int i = 0; i < samples; ++i) {
            const size_t k = static_cast<size_t>(i);
            const double z = 1.0 / distanceAt(centre[k].y());
            if (std::fmod(z * 2.2, 1.0) > 0.5)
                continue;
            const double dw0 = half[k] * 0.04;
            const double dw1 = half[k + 1] * 0.04;
            const QPointF c0 = centre[k];
            const QPointF c1 = centre[k + 1];
            p.drawPolygon(QPolygonF{c0 - QPointF(dw0, 0), c1 - QPointF(dw1, 0),
                                    c1 + QPointF(dw1, 0), c0 + QPointF(dw0, 0)});
        }
        p.restore();
    };
    // The far stretch cuts through the hedges and ends at the far hill's brow. The near rise is
    // filled over it, so the near stretch is painted again on top: one road, no seam.
    paintRoad(hill2Area);
    const QPainterPath frontArea = areaBelow(front, H);
    fillPathVertical(p, frontArea, crestY, H, hex(0x86B857), hex(0x5E9640));
    paintRoad(frontArea);

    // Fence on the right verge, posts spaced in ground distance, straight rails between them.
    QPolygonF posts;
    p.setBrush(hex(0x6E5138));
    double lastZ = -1;
    for (int i = 0; i <= samples; ++i) {
        const double d = distanceAt(centre[static_cast<size_t>(i)].y());
        if (centre[static_cast<size_t>(i)].y() < crestY + 0.01 * H)
            break;
        const double z = std::floor(1.0 / d * 3.0);
        if (z == lastZ)
            continue;
        lastZ = z;
        const QPointF base(right[i].x() + 0.07 * W * d, right[i].y());
        const double postH = 0.06 * H * d;
        posts << base;
        p.drawRect(QRectF(base.x() - 0.0025 * W * d, base.y() - postH, 0.005 * W * d, postH));
    }
    for (int i = 0; i + 1 < posts.size(); ++i) {
        const double d0 = distanceAt(posts[i].y());
        const double d1 = distanceAt(posts[i + 1].y());
        p.setPen(QPen(hex(0x7D5E43), std::max(1.5 * u, 7 * u * d0), Qt::SolidLine, Qt::FlatCap));
        for (const double h : {0.88, 0.5})
            p.drawLine(posts[i] - QPointF(0, 0.06 * H * d0 * h),
                       posts[i + 1] - QPointF(0, 0.06 * H * d1 * h));
    }
    p.setPen(Qt::NoPen);

    scatterDots(p, rng, frontArea.subtracted(areaBetween(shoulderL, shoulderR)),
                QRectF(0, crestY, W, H - crestY), 900, 2.4 * u, hex(0xFFF6D8), hex(0xF3D35B));
    paintSpreadingTree(p, rng, QPointF(0.1 * W, 0.83 * H), 0.42 * H,
                       {hex(0x5B4634), hex(0x3E6B35), hex(0x55873F), hex(0x7DAE55)});
    paintSpreadingTree(p, rng, QPointF(0.86 * W, 0.755 * H), 0.17 * H,
                       {hex(0x5B4634), hex(0x4A7A3C), hex(0x5F9446), hex(0x84B55C)});
    paintGrass(p, rng, QRectF(-0.02 * W, 0.88 * H, 0.27 * W, 0.12 * H), 700, 0.03 * H, 0.08 * H,
               hex(0x4E8436), hex(0x8CC05A), 0.15);
    paintGrass(p, rng, QRectF(0.66 * W, 0.9 * H, 0.36 * W, 0.1 * H), 600, 0.03 * H, 0.07 * H,
               hex(0x4E8436), hex(0x8CC05A), 0.15);
    return finishIllustration(canvas.finish(), 0xC0A7);
}

QImage paintBlueFarmhouse(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xB1F4);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.6 * H;

    fillVertical(p, QRectF(0, 0, W, horizon + 0.05 * H),
                 {{0.0, hex(0x6FA6D6)}, {0.55, hex(0xA9CDE8)}, {1.0, hex(0xE8F0EC)}});
    // Early morning: the sun is just up on the left, warming the sky low down on that side.
    paintGlow(p, QPointF(0.05 * W, horizon), 0.7 * H, hex(0xFFEFD0, 0.55));
    const QColor cloud = hex(0xFFFFFF, 0.95);
    const QColor cloudShade = hex(0xD9E4F0);
    // A bank of fair-weather cloud far off behind the hills, hazed by distance, instead of
    // puffs overhead: the open sky above the house stays calm.
    for (int i = 0; i < 5; ++i) {
        const double x = (0.08 + 0.21 * i + rng.range(-0.04, 0.04)) * W;
        const double tall = rng.range(0.06, 0.1) * H;
        paintFlatCumulus(p, rng, QPointF(x, horizon - 0.015 * H), rng.range(0.16, 0.24) * W, tall,
                         mix(cloud, hex(0xE8F0EC), 0.3), mix(cloudShade, hex(0xC9D6E2), 0.5));
    }
    paintFlatStratus(p, rng, QPointF(0.6 * W, 0.33 * H), 0.25 * W, 0.014 * H, hex(0xFFFFFF, 0.4));
    paintFlatStratus(p, rng, QPointF(0.12 * W, 0.42 * H), 0.18 * W, 0.01 * H, hex(0xFFFFFF, 0.32));

    const QPolygonF far = mountainRidge(
        rng, W, horizon, 0.05 * H,
        [](double t) { return 0.4 + 0.6 * std::sin(t * 4.0 + 0.5) * std::sin(t * 4.0 + 0.5); },
        0.012 * H);
    p.fillPath(areaBelow(far, H), hex(0xA6BED2));
    const QPolygonF woods = rollingLine(W, horizon + 0.02 * H, 0.012 * H, 3, 5.0);
    p.fillPath(areaBelow(woods, H), hex(0x8FB38D));
    paintCopses(p, rng, woods, 0, W, 16 * u, hex(0x6D9870), hex(0x80A97F), 0.7);
    const QPolygonF meadow = rollingLine(W, horizon + 0.06 * H, 0.02 * H, 19, 2.0);
    fillPathVertical(p, areaBelow(meadow, H), horizon, 0.8 * H, hex(0xA5C97C), hex(0x8BBD62));
    paintCopses(p, rng, meadow, 0.0, 0.5 * W, 22 * u, hex(0x55854A), hex(0x6E9E57), 1.0);

    // The house sits on a low rise on the right, with a gravel track curving up to it.
    QPolygonF rise = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return 0.74 * H - 0.07 * H * std::exp(-std::pow((t - 0.72) / 0.25, 2.0)) +
               0.01 * H * std::sin(t * 9.0);
    });
    const QPainterPath riseArea = areaBelow(rise, H);
    fillPathVertical(p, riseArea, 0.66 * H, H, hex(0x8EC25F), hex(0x5F9A45));
    const QPointF foot(0.61 * W, lineY(rise, 0.7 * W) + 0.012 * H);

    // Trees behind the house, then the house, then the shed.
    // The tree stands well clear of the gable, so the house keeps its outline against the sky.
    // Its shadow stretches away from the low sun, and grass grows up round its foot.
    const QPointF treeFoot(0.5 * W, lineY(rise, 0.5 * W) + 0.008 * H);
    QPainterPath treeShade;
    treeShade.addEllipse(treeFoot + QPointF(0.05 * W, 0.004 * H), 0.065 * W, 0.01 * H);
    p.drawImage(0, 0, softShape(size, treeShade, static_cast<int>(10 * u), hex(0x2E5A2A, 0.28)));
    paintSpreadingTree(p, rng, treeFoot, 0.25 * H,
                       {hex(0x4D3C2E), hex(0x3C6B3A), hex(0x4F8444), hex(0x79AE59)});
    // The pines' shadows too, long and thin away from the sun.
    QPainterPath pineShade;
    pineShade.addEllipse(QPointF(0.905 * W, foot.y() + 0.001 * H), 0.04 * W, 0.006 * H);
    pineShade.addEllipse(QPointF(0.93 * W, foot.y() + 0.009 * H), 0.03 * W, 0.005 * H);
    p.drawImage(0, 0, softShape(size, pineShade, static_cast<int>(8 * u), hex(0x2E5A2A, 0.25)));
    Random tuft(0xB1F5);
    paintGrass(p, tuft,
               QRectF(treeFoot.x() - 0.022 * W, treeFoot.y() - 0.004 * H, 0.044 * W, 0.01 * H), 90,
               0.006 * H, 0.014 * H, hex(0x5F9A45), hex(0x9CCB6A), 0.1);
    const Conifer tall = conifer(rng, QPointF(0.875 * W, foot.y() - 0.005 * H), 0.2 * H, 0.06 * W);
    p.fillPath(tall.body, hex(0x35603C));
    p.fillPath(tall.shade, hex(0x24452C, 0.5));
    const Conifer small =
        conifer(rng, QPointF(0.905 * W, foot.y() + 0.003 * H), 0.15 * H, 0.045 * W);
    p.fillPath(small.body, hex(0x3E6E44));
    p.fillPath(small.shade, hex(0x24452C, 0.5));
    // The low sun on the left throws the house's shadow out to the right across the grass: long,
    // dark at the walls and fading as it goes.
    const double houseW = 0.22 * W;
    const QPointF corner(foot.x() + 0.42 * houseW, foot.y());
    const QPointF backCorner = corner + QPointF(0.58 * houseW, -0.058 * houseW);
    QPainterPath cast;
    cast.moveTo(foot);
    cast.lineTo(corner);
    cast.lineTo(backCorner);
    cast.lineTo(backCorner + QPointF(0.07 * W, 0.006 * H));
    cast.lineTo(corner + QPointF(0.1 * W, 0.016 * H));
    cast.lineTo(foot + QPointF(0.03 * W, 0.012 * H));
    cast.closeSubpath();
    p.drawImage(0, 0, softShape(size, cast, static_cast<int>(9 * u), hex(0x2E5A2A, 0.3)));
    QPainterPath contact;
    contact.addPolygon(QPolygonF{foot + QPointF(-2 * u, -3 * u), corner + QPointF(0, -3 * u),
                                 backCorner + QPointF(0, -3 * u),
                                 backCorner + QPointF(4 * u, 4 * u), corner + QPointF(4 * u, 5 * u),
                                 foot + QPointF(0, 5 * u)});
    p.drawImage(0, 0, softShape(size, contact, static_cast<int>(3 * u), hex(0x24461F, 0.35)));
    // Drawn crisp: a softened copy underneath shows as a halo where the dark roof meets the sky.
    paintInAir(p, size, 0, hex(0xCFDDE8, 0.1), [&](QPainter& b) {
        paintFarmhouse(b, foot, houseW,
                       {hex(0x6C9BCF), hex(0x4C78A8), hex(0x4A4D5A), hex(0x3C3F4B), hex(0xF5F2EA),
                        hex(0x334A63)});
    });

    QPainterPath track;
    track.moveTo(0.35 * W, H * 1.01);
    track.cubicTo(QPointF(0.5 * W, 0.88 * H), QPointF(0.56 * W, 0.8 * H),
                  QPointF(foot.x() + 0.045 * W, foot.y() + 0.004 * H));
    track.lineTo(foot.x() + 0.06 * W, foot.y() + 0.004 * H);
    track.cubicTo(QPointF(0.6 * W, 0.8 * H), QPointF(0.58 * W, 0.9 * H),
                  QPointF(0.5 * W, H * 1.01));
    track.closeSubpath();
    p.fillPath(track, hex(0xD8CBA8));

    // A white rail fence runs right across the meadow, open where the track goes through, so it
    // reads as the edge of the yard rather than a stray piece.
    const auto fenceY = [&](double x) {
        const double t = (x - 0.44 * W) / W;
        return 0.815 * H + 0.16 * H * t * t + 0.012 * H * t;
    };
    const QRectF fenceBand(0, fenceY(0.44 * W) - 0.05 * H, W, 0.2 * H);
    // The opening is found where the track crosses the rails, halfway up the posts.
    QPainterPath railBand;
    railBand.addRect(QRectF(0, fenceY(0.56 * W) + 0.006 * H, W, 2 * u));
    const QRectF gap =
        track.intersected(railBand).boundingRect().adjusted(-0.005 * W, 0, 0.005 * W, 0);
    QPainterPath outside;
    outside.addRect(fenceBand);
    QPainterPath opening;
    opening.addRect(QRectF(gap.left(), fenceBand.top(), gap.width(), fenceBand.height()));
    p.save();
    p.setClipPath(outside.subtracted(opening));
    const QColor paint = hex(0xF3F1EA);
    const QColor shadowSide = hex(0xC9CFC2);
    QPolygonF rail;
    for (double x = -0.02 * W; x <= 1.02 * W; x += 0.004 * W)
        rail << QPointF(x, fenceY(x));
    // Nearer parts of the fence stand taller and thicker.
    const auto scaleAt = [&](double x) { return 0.8 + (fenceY(x) - 0.8 * H) / (0.1 * H); };
    for (double x = -0.01 * W; x <= 1.02 * W; x += 0.0115 * W) {
        // No thin post right beside a gatepost.
        if (x > gap.left() - 0.003 * W && x < gap.right() + 0.003 * W)
            continue;
        const double k = scaleAt(x);
        p.setPen(QPen(shadowSide, 5 * u * k, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x + 1.5 * u * k, fenceY(x) + 0.03 * H * k),
                   QPointF(x + 1.5 * u * k, fenceY(x) - 0.012 * H * k));
        p.setPen(QPen(paint, 3.5 * u * k, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x, fenceY(x) + 0.03 * H * k), QPointF(x, fenceY(x) - 0.012 * H * k));
    }
    p.setPen(QPen(paint, 3.5 * u, Qt::SolidLine, Qt::FlatCap));
    p.drawPolyline(rail);
    p.drawPolyline(rail.translated(0, 0.016 * H));
    p.restore();
    // Heavier gateposts either side of the opening.
    for (const double x : {gap.left(), gap.right()}) {
        const double k = scaleAt(x);
        p.fillRect(QRectF(x - 4 * u * k, fenceY(x) - 0.018 * H * k, 8 * u * k, 0.05 * H * k),
                   paint);
        p.fillRect(QRectF(x + 1.5 * u * k, fenceY(x) - 0.018 * H * k, 2.5 * u * k, 0.05 * H * k),
                   shadowSide);
    }
    p.setPen(Qt::NoPen);

    scatterDots(p, rng, riseArea.subtracted(track), QRectF(0, 0.75 * H, W, 0.25 * H), 1400, 2.6 * u,
                hex(0xFFFFFF), hex(0xF2D15A));
    scatterDots(p, rng, riseArea.subtracted(track), QRectF(0, 0.8 * H, 0.4 * W, 0.2 * H), 400,
                3.0 * u, hex(0xB8A6E6), hex(0xE7A0B8));
    paintGrass(p, rng, QRectF(-0.02 * W, 0.92 * H, 0.36 * W, 0.08 * H), 600, 0.025 * H, 0.06 * H,
               hex(0x4C8338), hex(0x90C45E), 0.1);
    paintGrass(p, rng, QRectF(0.55 * W, 0.93 * H, 0.47 * W, 0.07 * H), 600, 0.02 * H, 0.05 * H,
               hex(0x4C8338), hex(0x90C45E), 0.1);
    return finishIllustration(canvas.finish(), 0xB1F4);
}

QImage paintLoneTree(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x10AE);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.66 * H;

    fillVertical(
        p, QRectF(0, 0, W, horizon + 0.05 * H),
        {{0.0, hex(0x5E6FA8)}, {0.4, hex(0xA494BA)}, {0.75, hex(0xF0B8A0)}, {1.0, hex(0xFBD89A)}});
    const QPointF sun(0.24 * W, 0.6 * H);
    paintSun(p, sun, 0.035 * H, hex(0xFFF4D6), hex(0xFFD9A0, 0.7), 0.7 * H);
    for (int i = 0; i < 5; ++i) {
        const QPointF c(rng.range(0.05, 0.95) * W, rng.range(0.1, 0.45) * H);
        paintStratus(p, rng, c, rng.range(0.12, 0.3) * W, rng.range(0.01, 0.02) * H,
                     mix(hex(0xF7C3B0, 0.55), hex(0xB9A3C8, 0.5), 1.0 - c.y() / (0.5 * H)));
    }
    // Birds heading home.
    p.setPen(QPen(hex(0x4A3F55), 2.2 * u, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const QPointF c(0.58 * W + i * 0.025 * W + rng.range(-0.01, 0.01) * W,
                        0.22 * H + rng.range(-0.03, 0.03) * H);
        const double s = rng.range(6, 10) * u;
        QPainterPath bird(c + QPointF(-s, -s * 0.3));
        bird.quadTo(c + QPointF(-s * 0.4, -s * 0.6), c);
        bird.quadTo(c + QPointF(s * 0.4, -s * 0.6), c + QPointF(s, -s * 0.3));
        p.drawPath(bird);
    }
    p.setPen(Qt::NoPen);

    const QPolygonF far = rollingLine(W, horizon, 0.018 * H, 41, 3.0);
    p.fillPath(areaBelow(far, H), hex(0xB59AB0));
    const QPolygonF mid = rollingLine(W, horizon + 0.03 * H, 0.015 * H, 42, 2.2);
    fillPathVertical(p, areaBelow(mid, H), horizon, 0.85 * H, hex(0xC7A385), hex(0x9C8A62));
    {
        // Far copses are hazed and out of focus, so they sink into the evening air instead of
        // standing on the field as a string of beads.
        QImage layer(size, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter c(&layer);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        paintCopses(c, rng, mid, 0.0, 0.6 * W, 14 * u, hex(0xA08A7C), hex(0xA89282), 1.0);
        c.end();
        p.drawImage(0, 0, blurred(layer, static_cast<int>(3 * u)));
    }

    // The tree's hill rises to the right.
    const QPolygonF hill = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return 0.82 * H - 0.16 * H * std::exp(-std::pow((t - 0.74) / 0.3, 2.0));
    });
    const QPainterPath hillArea = areaBelow(hill, H);
    fillPathVertical(p, hillArea, 0.66 * H, H, hex(0x8E8A55), hex(0x4E5A33));
    // Sunlit rim along the crest facing the sun.
    p.save();
    p.setClipPath(hillArea);
    p.fillPath(hillArea.translated(0.004 * W, 0.01 * H), hex(0x6A6E40));
    p.restore();
    const QPointF root(0.74 * W, lineY(hill, 0.74 * W) + 0.01 * H);
    // The low sun throws the shadow away to the right, along the crest and no further.
    p.save();
    p.setClipPath(hillArea);
    p.setBrush(hex(0x3C4428, 0.5));
    p.drawEllipse(QRectF(root.x() - 0.03 * W, root.y() - 0.006 * H, 0.15 * W, 0.016 * H));
    p.restore();
    paintSpreadingTree(p, rng, root, 0.5 * H,
                       {hex(0x2F3524), hex(0x2C3A25), hex(0x3B4A2C), hex(0x56623A)}, 1.35);
    paintGrass(p, rng, QRectF(-0.02 * W, 0.86 * H, 1.04 * W, 0.14 * H), 2600, 0.02 * H, 0.06 * H,
               hex(0x3F4A2A), hex(0x9C9152), 0.25);
    return finishIllustration(canvas.finish(), 0x10AE);
}

} // namespace tavlin::backdrops
