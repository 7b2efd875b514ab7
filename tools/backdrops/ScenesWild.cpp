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

constexpr double pi = 3.14159265358979;

QPainterPath polygonPath(const QPolygonF& poly)
{
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

// Rock shading shared by the headland and the outcrop: faces turned from the light, bedding
// lines and a few vertical joints, all clipped to the rock.
void shadeRock(QPainter& p, Random& rng, const QPainterPath& rock, const QPolygonF& ridge,
               double bottom, const QColor& shadow, const QColor& bedding, double spacing,
               double unit)
{
    p.save();
    p.setClipPath(rock);
    const QRectF box = rock.boundingRect();
    p.setPen(QPen(bedding, 2.5 * unit));
    const quint32 seed = rng.seed();
    for (double y = box.top() + spacing * 0.5; y < box.bottom();
         y += spacing * rng.range(0.6, 1.4)) {
        QPolygonF line;
        for (double x = box.left(); x <= box.right() + 10; x += box.width() / 60)
            line << QPointF(
                x, y + spacing * 0.25 *
                           (2 * fbm1(static_cast<float>(x / (spacing * 8) + y), seed, 2) - 1));
        p.drawPolyline(line);
    }
    p.setPen(Qt::NoPen);
    p.fillPath(ridgeShadows(ridge, bottom, rng), shadow);
    p.setPen(QPen(shade(shadow, 0.85), 2.0 * unit));
    for (int i = 0; i < 14; ++i) {
        const double x = box.left() + rng.uniform() * box.width();
        const double y0 = lineY(ridge, x);
        QPolygonF crack;
        double cx = x;
        for (double y = y0; y < bottom; y += (bottom - y0) / 8) {
            crack << QPointF(cx, y);
            cx += rng.range(-1, 1) * spacing * 0.3;
        }
        p.drawPolyline(crack);
    }
    p.restore();
}

} // namespace

QImage paintCoastalBay(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xBA7);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.5 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x4E95D1)}, {0.7, hex(0x9DCBE8)}, {1.0, hex(0xDDEFF3)}});
    paintGlow(p, QPointF(0.72 * W, 0.12 * H), 0.5 * H, hex(0xFFFBE8, 0.6));
    paintCumulus(p, rng, QPointF(0.42 * W, 0.18 * H), 0.12 * W, 0.05 * H, hex(0xFFFFFF),
                 hex(0xDCE7F1));
    paintCumulus(p, rng, QPointF(0.88 * W, 0.26 * H), 0.15 * W, 0.06 * H, hex(0xFFFFFF),
                 hex(0xDCE7F1));
    for (int i = 0; i < 3; ++i)
        p.fillPath(
            stratusPath(rng, QPointF(rng.range(0.5, 0.9) * W, horizon - rng.range(0.03, 0.08) * H),
                        0.2 * W, 0.01 * H),
            hex(0xFFFFFF, 0.6));

    fillVertical(
        p, QRectF(0, horizon, W, H - horizon),
        {{0.0, hex(0x2D6F9E)}, {0.25, hex(0x3489B0)}, {0.6, hex(0x3FB0BE)}, {1.0, hex(0x6FD0C6)}});
    // Distant headlands on the right.
    const QPolygonF far1 = profileLine(0.7 * W, 1.02 * W, 100, [&](double t) {
        return horizon + 1 * u -
               0.035 * H * std::sqrt(std::sin(std::min(1.0, t * 1.3) * pi * 0.5)) *
                   (0.85 + 0.15 * std::sin(t * 25));
    });
    p.fillPath(areaBelow(far1, horizon + 1 * u), hex(0x7E9FB4));
    const QPolygonF far2 = profileLine(0.82 * W, 1.02 * W, 80, [&](double t) {
        return horizon + 0.012 * H -
               0.04 * H * std::sqrt(std::sin(std::min(1.0, t * 1.5) * pi * 0.5));
    });
    p.fillPath(areaBelow(far2, horizon + 0.014 * H), hex(0x5F8A6F));
    // Sparkle on the water under the sun.
    for (int i = 0; i < 260; ++i) {
        const double y = horizon + std::pow(rng.uniform(), 1.6) * 0.32 * H;
        const double d = (y - horizon) / (0.32 * H);
        const double x = 0.72 * W + rng.gauss() * (0.05 + 0.12 * d) * W;
        p.setPen(QPen(hex(0xFFFFFF, 0.35 + 0.4 * (1 - d)), (1.0 + 2.0 * d) * u, Qt::SolidLine,
                      Qt::RoundCap));
        p.drawLine(QPointF(x, y), QPointF(x + (0.004 + 0.014 * d) * W, y));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(hex(0xFFFFFF));
    p.drawPolygon(QPolygonF{{0.6 * W, horizon + 0.012 * H},
                            {0.607 * W, horizon - 0.02 * H},
                            {0.612 * W, horizon + 0.012 * H}});
    p.drawPolygon(QPolygonF{{0.52 * W, horizon + 0.007 * H},
                            {0.524 * W, horizon - 0.012 * H},
                            {0.528 * W, horizon + 0.007 * H}});

    // Headland on the left: green cap, cliff face towards the bay, a sea stack off its foot.
    const QPolygonF cap = profileLine(-0.02 * W, 0.33 * W, 160, [&](double t) {
        return 0.31 * H + 0.12 * H * std::pow(t, 2.2) + 0.01 * H * std::sin(t * 17) +
               0.03 * H * std::sin(t * 3.0);
    });
    QPolygonF rock = cap;
    rock << QPointF(0.35 * W, 0.52 * H) << QPointF(0.36 * W, 0.62 * H)
         << QPointF(-0.02 * W, 0.7 * H);
    const QPainterPath rockPath = polygonPath(rock);
    p.fillPath(rockPath, hex(0xB59C84));
    QPolygonF face = cap;
    for (int i = 0; i < face.size(); ++i)
        face[i].setY(face[i].y() + 0.018 * H);
    shadeRock(p, rng, rockPath, face, 0.7 * H, hex(0x7F6A5C, 0.75), hex(0x9E8570, 0.6), 0.02 * H,
              u);
    QPolygonF turf = cap;
    for (int i = cap.size() - 1; i >= 0; --i) {
        const double t = static_cast<double>(i) / (cap.size() - 1);
        turf << QPointF(cap[i].x() - 0.06 * W * t * t,
                        cap[i].y() + 0.04 * H * (1.0 - t) + 0.02 * H);
    }
    p.fillPath(polygonPath(turf), hex(0x7FAE5A));
    p.fillPath(polygonPath(turf).translated(0, -0.006 * H).intersected(polygonPath(turf)),
               hex(0x94C06A));
    QPolygonF stack{{0.375 * W, 0.575 * H},
                    {0.378 * W, 0.5 * H},
                    {0.385 * W, 0.49 * H},
                    {0.393 * W, 0.495 * H},
                    {0.398 * W, 0.575 * H}};
    p.fillPath(polygonPath(stack), hex(0x9C8470));
    p.fillPath(polygonPath(QPolygonF{{0.388 * W, 0.575 * H},
                                     {0.39 * W, 0.493 * H},
                                     {0.393 * W, 0.495 * H},
                                     {0.398 * W, 0.575 * H}}),
               hex(0x7A6658));
    p.fillPath(polygonPath(QPolygonF{{0.376 * W, 0.5 * H},
                                     {0.385 * W, 0.487 * H},
                                     {0.394 * W, 0.494 * H},
                                     {0.385 * W, 0.5 * H}}),
               hex(0x86B05F));
    p.setBrush(hex(0xFFFFFF, 0.7));
    for (int i = 0; i < 20; ++i)
        p.drawEllipse(QPointF(rng.range(0.3, 0.41) * W, rng.range(0.56, 0.63) * H),
                      rng.range(6, 16) * u, rng.range(2, 4) * u);

    // The beach sweeps from the headland's foot out to the lower right.
    auto shoreAt = [&](double t) {
        return QPointF((0.3 + 0.74 * t) * W, (0.64 + 0.2 * std::pow(t, 1.3)) * H);
    };
    QPolygonF shore;
    for (int i = 0; i <= 100; ++i)
        shore << shoreAt(i / 100.0);
    // Bands of shallower water and foam run parallel to the shoreline.
    for (int band = 4; band >= 1; --band) {
        QPolygonF line;
        for (const QPointF& pt : shore)
            line << pt + QPointF(0, -band * 0.022 * H * (0.5 + (pt.y() - 0.6 * H) / H));
        p.setPen(QPen(hex(0xFFFFFF, 0.18 + 0.1 * (4 - band)), (2 + 4 - band) * u, Qt::SolidLine,
                      Qt::RoundCap));
        p.drawPolyline(line);
    }
    p.setPen(Qt::NoPen);
    QPolygonF wet = shore;
    wet << QPointF(1.02 * W, H * 1.01) << QPointF(0.3 * W, H * 1.01);
    QPolygonF shallow = shore;
    for (QPointF& pt : shallow)
        pt.ry() -= 0.025 * H;
    shallow << QPointF(1.02 * W, H * 1.01) << QPointF(0.25 * W, H * 1.01);
    p.fillPath(polygonPath(shallow), hex(0x9FE0D2, 0.6));
    p.fillPath(polygonPath(wet), hex(0xFFFFFF, 0.85));
    QPolygonF sand = shore;
    for (QPointF& pt : sand)
        pt.ry() += 0.008 * H;
    sand << QPointF(1.02 * W, H * 1.01) << QPointF(-0.02 * W, H * 1.01)
         << QPointF(-0.02 * W, 0.7 * H);
    const QPainterPath sandPath = polygonPath(sand);
    fillPathVertical(p, sandPath, 0.62 * H, H, hex(0xD9C39B), hex(0xEBD9B3));
    QPolygonF dry = shore;
    for (QPointF& pt : dry)
        pt.ry() += 0.03 * H;
    dry << QPointF(1.02 * W, H * 1.01) << QPointF(-0.02 * W, H * 1.01)
        << QPointF(-0.02 * W, 0.72 * H);
    fillPathVertical(p, polygonPath(dry), 0.64 * H, H, hex(0xEAD7AE), hex(0xF3E4C4));
    // Dunes with marram grass in the near left corner.
    const QPolygonF dune = profileLine(-0.02 * W, 0.5 * W, 80, [&](double t) {
        return 0.84 * H + 0.2 * H * std::pow(t, 2.5) - 0.02 * H * std::sin(t * 6.0);
    });
    fillPathVertical(p, areaBelow(dune, H * 1.01), 0.82 * H, H, hex(0xDCC597), hex(0xC9AE7E));
    paintGrass(p, rng, QRectF(-0.02 * W, 0.86 * H, 0.3 * W, 0.14 * H), 900, 0.04 * H, 0.11 * H,
               hex(0x7E8A52), hex(0xC4C47E), 0.25);
    // Gulls.
    p.setPen(QPen(hex(0x45505C), 2.2 * u, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const QPointF c(0.58 * W + i * 0.04 * W, 0.3 * H + rng.range(-0.03, 0.03) * H);
        const double s = rng.range(7, 11) * u;
        QPainterPath gull(c + QPointF(-s, -s * 0.2));
        gull.quadTo(c + QPointF(-s * 0.4, -s * 0.7), c);
        gull.quadTo(c + QPointF(s * 0.4, -s * 0.7), c + QPointF(s, -s * 0.2));
        p.drawPath(gull);
    }
    p.setPen(Qt::NoPen);
    return finishIllustration(canvas.finish(), 0xBA7);
}

QImage paintRockOutcrop(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x20C4);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.64 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x5A93C8)}, {0.6, hex(0xA9C6DC)}, {1.0, hex(0xF1DCC0)}});
    paintGlow(p, QPointF(0.2 * W, 0.1 * H), 0.5 * H, hex(0xFFF6E0, 0.5));
    for (int i = 0; i < 4; ++i)
        p.fillPath(stratusPath(rng, QPointF(rng.range(0.45, 0.95) * W, rng.range(0.12, 0.4) * H),
                               rng.range(0.15, 0.3) * W, rng.range(0.012, 0.02) * H),
                   hex(0xFFFFFF, 0.65));
    // Far mesas in the haze.
    const QPolygonF mesas = profileLine(-0.02 * W, 1.02 * W, 300, [&](double t) {
        const double a = smoothstep(0.55, 0.58, t) * smoothstep(0.74, 0.71, t) * 0.05;
        const double b = smoothstep(0.8, 0.83, t) * smoothstep(0.95, 0.92, t) * 0.03;
        const double c = smoothstep(0.15, 0.2, t) * smoothstep(0.3, 0.26, t) * 0.02;
        return horizon - H * (a + b + c + 0.004 * std::sin(t * 40));
    });
    p.fillPath(areaBelow(mesas, H), hex(0xC3AFB4));
    const QPolygonF plain = rollingLine(W, horizon + 0.02 * H, 0.008 * H, 5, 3.0);
    fillPathVertical(p, areaBelow(plain, H), horizon, H, hex(0xD8C08E), hex(0xAE9058));
    p.setPen(QPen(hex(0xC2A672, 0.7), 3 * u));
    for (int i = 0; i < 8; ++i) {
        const double y = horizon + 0.05 * H + std::pow(i / 8.0, 1.7) * 0.3 * H;
        p.drawLine(QPointF(0, y), QPointF(W, y + rng.range(-0.01, 0.01) * H));
    }
    p.setPen(Qt::NoPen);

    // The outcrop: a sandstone butte with a cap rock, sloping talus flanks, a shadowed right
    // face and vertical gullies.
    auto butte = [&](double left, double right, double base, double height, double detail) {
        const std::vector<double> crag = fractalProfile(rng, 8, 0.7);
        const QPolygonF top =
            profileLine(left, right, static_cast<int>(crag.size()) - 1, [&](double t) {
                const double cliff = smoothstep(0.08, 0.2, t) * smoothstep(0.95, 0.8, t);
                const double flank = 0.35 * smoothstep(0.0, 0.12, t) * smoothstep(1.0, 0.88, t);
                const double env = std::max(cliff, flank) - 0.08 * smoothstep(0.5, 0.56, t) * cliff;
                return base - height * env -
                       detail * crag[static_cast<size_t>(std::lround(t * (crag.size() - 1)))] *
                           (0.3 + env);
            });
        return std::pair{top, areaBelow(top, base + 0.02 * H)};
    };
    auto paintButte = [&](const QPolygonF& top, const QPainterPath& rock, double base) {
        const QRectF box = rock.boundingRect();
        fillPathVertical(p, rock, box.top(), base, hex(0xDE9A64), hex(0xC07A50));
        p.save();
        p.setClipPath(rock);
        // Bedding: alternating bands of slightly different sandstone.
        for (double y = box.top(); y < base; y += 0.018 * H) {
            const double k = rng.uniform();
            p.fillRect(QRectF(box.left(), y, box.width(), 0.018 * H * rng.range(0.3, 0.8)),
                       k < 0.5 ? hex(0xB86E48, 0.3) : hex(0xF0B483, 0.25));
        }
        // The face turned away from the sun.
        QPolygonF shadowFace;
        const double split = box.left() + box.width() * 0.62;
        shadowFace << QPointF(split, box.top() - 10);
        for (int i = 0; i <= 10; ++i)
            shadowFace << QPointF(split + rng.range(-0.015, 0.015) * W + i * 0.004 * W,
                                  box.top() + (base - box.top()) * i / 10.0);
        shadowFace << QPointF(box.right() + 10, base + 10)
                   << QPointF(box.right() + 10, box.top() - 10);
        p.fillPath(polygonPath(shadowFace), hex(0x7A3F36, 0.45));
        // Gullies: tapered dark streaks running down from notches in the rim.
        for (int i = 0; i < 16; ++i) {
            const double x = box.left() + box.width() * rng.range(0.12, 0.9);
            const double y0 = lineY(top, x) + 0.01 * H;
            const double len = (base - y0) * rng.range(0.4, 0.95);
            const double w = rng.range(4, 12) * u;
            QPainterPath gully;
            gully.moveTo(x - w, y0);
            gully.quadTo(QPointF(x - w * 0.5, y0 + len * 0.6),
                         QPointF(x + rng.range(-1, 1) * w, y0 + len));
            gully.quadTo(QPointF(x + w * 0.5, y0 + len * 0.6), QPointF(x + w, y0));
            gully.closeSubpath();
            p.fillPath(gully, hex(0x7A3F36, 0.35));
            p.fillPath(gully.translated(-w * 0.9, 0), hex(0xF6C08E, 0.25));
        }
        // Sunlit cap along the rim.
        p.fillPath(rock.subtracted(rock.translated(0, 7 * u)), hex(0xF7C18D, 0.9));
        p.restore();
        // Talus apron with boulders.
        QPolygonF apron = profileLine(box.left() - box.width() * 0.02,
                                      box.right() + box.width() * 0.02, 60, [&](double t) {
                                          return base - 0.04 * H * std::pow(std::sin(t * pi), 0.5) -
                                                 0.006 * H * std::sin(t * 23);
                                      });
        fillPathVertical(p, areaBelow(apron, base + 0.03 * H), base - 0.04 * H, base, hex(0xD39A6C),
                         hex(0xBD8A60));
        for (int i = 0; i < 30; ++i) {
            const double x = box.left() + rng.uniform() * box.width();
            const double y = lineY(apron, x) + rng.range(0.005, 0.045) * H;
            const double r = rng.range(6, 20) * u * (y / H);
            p.setBrush(hex(0x8E5540));
            p.drawEllipse(QPointF(x + r * 0.2, y), r * 1.3, r * 0.8);
            p.setBrush(hex(0xD89A6B));
            p.drawEllipse(QPointF(x - r * 0.15, y - r * 0.15), r * 1.0, r * 0.6);
        }
    };
    const auto [bigTop, bigRock] = butte(-0.04 * W, 0.46 * W, 0.8 * H, 0.42 * H, 0.02 * H);
    const auto [smallTop, smallRock] = butte(0.78 * W, 1.08 * W, 0.7 * H, 0.16 * H, 0.012 * H);
    paintButte(smallTop, smallRock, 0.7 * H);
    paintButte(bigTop, bigRock, 0.8 * H);

    // Sage and rabbitbrush scattered over the plain, larger towards the viewer.
    const quint32 clumps = rng.seed();
    for (int i = 0; i < 700; ++i) {
        const double y = horizon + 0.03 * H + std::pow(rng.uniform(), 0.8) * 0.36 * H;
        const double x = rng.uniform() * W;
        if (fbm(static_cast<float>(x / (0.08 * W)), static_cast<float>(y / (0.04 * H)), clumps, 2) <
            0.52)
            continue;
        if (bigRock.contains(QPointF(x, y)) || smallRock.contains(QPointF(x, y)))
            continue;
        const double d = (y - horizon) / (H - horizon);
        const double r = (2 + 16 * d) * u * rng.range(0.6, 1.3);
        p.setBrush(rng.chance(0.7) ? hex(0x8A8A62) : hex(0xA09A5A));
        p.drawEllipse(QPointF(x, y - r * 0.3), r * 1.4, r * 0.7);
        p.setBrush(hex(0xAEAC84));
        p.drawEllipse(QPointF(x - r * 0.3, y - r * 0.5), r * 0.8, r * 0.4);
    }
    paintGrass(p, rng, QRectF(0.45 * W, 0.9 * H, 0.57 * W, 0.1 * H), 600, 0.02 * H, 0.05 * H,
               hex(0x9C8550), hex(0xD9C17E), 0.2);
    return finishIllustration(canvas.finish(), 0x20C4);
}

QImage paintSnowPeak(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x5A0);
    const double W = canvas.width();
    const double H = canvas.height();
    const double horizon = 0.66 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x2F66A6)}, {0.55, hex(0x7DAAD6)}, {1.0, hex(0xD8E8F1)}});
    for (int i = 0; i < 3; ++i)
        p.fillPath(stratusPath(rng, QPointF(rng.range(0.05, 0.45) * W, rng.range(0.1, 0.3) * H),
                               rng.range(0.15, 0.25) * W, 0.012 * H),
                   hex(0xFFFFFF, 0.55));

    // Far range, hazy with faint snow.
    const QPolygonF range = mountainRidge(
        rng, W, horizon, 0.16 * H,
        [](double t) { return 0.5 + 0.5 * std::sin(t * 9.0 + 2.0) * std::sin(t * 3.0 + 1.0); },
        0.03 * H);
    const QPainterPath rangeArea = areaBelow(range, H);
    p.fillPath(rangeArea, hex(0x9EB6CE));
    p.save();
    p.setClipPath(rangeArea);
    p.fillPath(snowField(range, rng, horizon - 0.12 * H, 0.02 * H), hex(0xDDE8F2));
    p.fillPath(ridgeShadows(range, H, rng), hex(0x8099B5, 0.5));
    p.restore();

    // The peak: one dominant summit right of centre with a long shoulder to the left.
    const QPolygonF peak = mountainRidge(
        rng, W, horizon + 0.02 * H, 0.5 * H,
        [](double t) {
            return std::max(std::exp(-std::pow((t - 0.68) / 0.17, 2.0)),
                            0.42 * std::exp(-std::pow((t - 0.3) / 0.16, 2.0)));
        },
        0.035 * H, 0.6);
    const QPainterPath mountain = areaBelow(peak, H);
    fillPathVertical(p, mountain, 0.15 * H, horizon, hex(0x7A869C), hex(0x55637A));
    p.save();
    p.setClipPath(mountain);
    const QPainterPath snow = snowField(peak, rng, 0.4 * H, 0.045 * H).intersected(mountain);
    fillPathVertical(p, snow, 0.15 * H, 0.5 * H, hex(0xFFFFFF), hex(0xE6EEF6));
    const QPainterPath shadows = ridgeShadows(peak, H, rng);
    p.fillPath(shadows, hex(0x3E4A66, 0.55));
    p.fillPath(shadows.intersected(snow), hex(0x9DB2D3, 0.55));
    // Mist pooling at the mountain's foot.
    fillPathVertical(p, mountain, 0.45 * H, horizon + 0.02 * H, hex(0xD8E8F1, 0.0),
                     hex(0xD8E8F1, 0.75));
    p.restore();

    // Forested foothills, bluer with distance.
    const QPolygonF hills1 = rollingLine(W, horizon + 0.05 * H, 0.03 * H, 61, 3.0);
    p.fillPath(areaBelow(hills1, H), hex(0x5F8A8C));
    p.fillPath(pineRow(rng, hills1, 0.03 * H, 0.06 * H, 0.008 * W), hex(0x5F8A8C));
    const QPolygonF hills2 = rollingLine(W, horizon + 0.15 * H, 0.05 * H, 62, 2.0);
    p.fillPath(areaBelow(hills2, H), hex(0x3C6663));
    p.fillPath(pineRow(rng, hills2, 0.06 * H, 0.12 * H, 0.012 * W), hex(0x3C6663));
    const QPolygonF hills3 = profileLine(-0.02 * W, 1.02 * W, 100, [&](double t) {
        return 0.9 * H + 0.05 * H * std::cos(t * pi * 2.0) - 0.03 * H * std::sin(t * 5.0);
    });
    p.fillPath(areaBelow(hills3, H), hex(0x24443F));
    p.fillPath(pineRow(rng, hills3, 0.12 * H, 0.3 * H, 0.025 * W), hex(0x24443F));
    return finishIllustration(canvas.finish(), 0x5A0);
}

} // namespace tavlin::backdrops
