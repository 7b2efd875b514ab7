#include "Canvas.h"
#include "Coast.h"
#include "Conifer.h"
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

// A fractal line from `from` down to `to`, bowed a little, so an edge reads as a rock arete
// or gully rather than a ruled line.
QPolygonF arete(Random& rng, QPointF from, QPointF to)
{
    const std::vector<double> wander = fractalProfile(rng, 7, 0.62);
    const int n = static_cast<int>(wander.size());
    const double length = to.y() - from.y();
    QPolygonF line;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / (n - 1);
        const double x = from.x() + (to.x() - from.x()) * std::pow(t, 0.8) +
                         wander[static_cast<size_t>(i)] * length * 0.04 * std::sin(t * pi);
        line << QPointF(x, from.y() + length * t);
    }
    return line;
}

// The face turned from the light between a summit's arete and the gully where the next lit
// face begins; intersect with the mountain.
QPainterPath summitShadow(const QPolygonF& ridge, Random& rng, double peakX, double footX,
                          double valleyX, double gullyX, double bottom)
{
    QPolygonF poly = arete(rng, QPointF(peakX, lineY(ridge, peakX)), QPointF(footX, bottom));
    const QPolygonF gully =
        arete(rng, QPointF(valleyX, lineY(ridge, valleyX)), QPointF(gullyX, bottom));
    for (auto it = gully.rbegin(); it != gully.rend(); ++it)
        poly << *it;
    poly << QPointF(valleyX, -1e5) << QPointF(peakX, -1e5);
    QPainterPath shade;
    shade.addPolygon(poly);
    shade.closeSubpath();
    return shade;
}

// Where the ridge is highest between two x positions.
double summitX(const QPolygonF& ridge, double from, double to)
{
    QPointF best(from, 1e9);
    for (const QPointF& p : ridge)
        if (p.x() >= from && p.x() <= to && p.y() < best.y())
            best = p;
    return best.x();
}

// Where the ridge is lowest between two x positions.
double saddleX(const QPolygonF& ridge, double from, double to)
{
    QPointF best(from, -1e9);
    for (const QPointF& p : ridge)
        if (p.x() >= from && p.x() <= to && p.y() > best.y())
            best = p;
    return best.x();
}

// Snow down to a line that wanders broadly and runs further down in a few couloirs, each a
// smooth tongue rather than a notch.
QPainterPath snowLine(const QPolygonF& ridge, Random& rng, double snowY, double spread)
{
    const quint32 seed = rng.seed();
    const double left = ridge.first().x();
    const double width = ridge.last().x() - left;
    struct Tongue
    {
        double at, halfWidth, depth;
    };
    std::vector<Tongue> tongues;
    // Couloirs carry snow down; rock ribs push up into it.
    for (int i = 0; i < 16; ++i)
        tongues.push_back({rng.uniform(), rng.range(0.002, 0.006),
                           spread * rng.range(0.8, 2.0) * (rng.chance(0.4) ? -0.6 : 1.0)});
    double ridgeTop = 1e9;
    for (const QPointF& p : ridge)
        ridgeTop = std::min(ridgeTop, p.y());
    ridgeTop += 0.5 * (snowY - ridgeTop);
    QPolygonF poly;
    const int samples = 900;
    for (int i = 0; i <= samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        const double x = left + width * t;
        // Snow clings lower on the steep flanks, so the line partly follows the ridge.
        double y = 0.8 * snowY + 0.2 * (lineY(ridge, x) + (snowY - ridgeTop)) +
                   spread * (2.0 * fbm1(static_cast<float>(t * 24.0), seed, 5, 0.62f) - 1.0);
        for (const Tongue& g : tongues)
            y += g.depth * std::exp(-std::abs(t - g.at) / g.halfWidth);
        poly << QPointF(x, y);
    }
    poly << QPointF(ridge.last().x(), -1e5) << QPointF(left, -1e5);
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
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
    const double horizon = 0.47 * H;

    // Late-morning sky, clear overhead and hazier towards the horizon, the sun high on the right
    // out of frame. Fair-weather cumulus sit out over the sea, smaller and flatter the further
    // they are, lit on their right shoulders with grey-blue bases.
    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0x3F82C2)}, {0.6, hex(0x8DBDE0)}, {1.0, hex(0xDCEAF0)}});
    {
        QImage clouds(size, QImage::Format_ARGB32_Premultiplied);
        clouds.fill(Qt::transparent);
        QPainter c(&clouds);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        // Drawn mirrored, so the painter's upper-left light lands on the sunward right.
        // A loose drift of clouds: crisp like the rest of the picture, in two uneven groups
        // rather than a row, with one larger cloud nearer.
        const double groups[] = {0.3, 0.72};
        for (int i = 0; i < 8; ++i) {
            const double d = i == 7 ? 0.75 : 0.45 * std::pow(rng.uniform(), 1.4);
            const double y = horizon - 0.02 * H - d * 0.36 * H;
            const double w = (0.03 + 0.12 * d) * W * rng.range(0.6, 1.4);
            const double h = w * (0.2 + 0.2 * d) * rng.range(0.75, 1.2);
            const double haze = 1.0 - d;
            const double x = groups[i % 2] + rng.gauss() * (0.08 + 0.1 * d);
            paintFlatCumulus(c, rng, QPointF(x * W, y), w, h,
                             mix(hex(0xFFFFFF), hex(0xE6EEF3), haze),
                             mix(hex(0xB9C9DA), hex(0xD3E0EA), haze));
        }
        c.end();
        p.drawImage(0, 0, clouds.mirrored(true, false));
    }

    // The sea: deep blue out at the horizon, turquoise over the sand of the bay.
    fillVertical(
        p, QRectF(0, horizon, W, H - horizon),
        {{0.0, hex(0x3D7AA3)}, {0.2, hex(0x3F8DB1)}, {0.45, hex(0x4FAFBF)}, {1.0, hex(0x8AD8CC)}});
    // Headlands across the bay, each further one paler and bluer with distance.
    const QColor hazeColor = hex(0xC9DCE6);
    const double heads[][3] = {{0.78, 0.03, 0.75}, {0.86, 0.045, 0.55}, {0.93, 0.06, 0.35}};
    for (const auto& h : heads) {
        const QPolygonF ridge = profileLine(h[0] * W, 1.03 * W, 120, [&](double t) {
            return horizon + 2 * u -
                   h[1] * H * std::pow(std::sin(std::min(1.0, t * 1.6) * pi / 2), 0.5) *
                       (0.92 + 0.08 * fbm1(static_cast<float>(t * 12), 7, 2));
        });
        p.fillPath(areaBelow(ridge, horizon + 3 * u), mix(hex(0x5D7F6A), hazeColor, h[2]));
        // The cliff under each far headland, a lighter sliver.
        QPolygonF face = profileLine(h[0] * W, 1.03 * W, 40, [&](double t) {
            return horizon + 2 * u - h[1] * H * 0.3 * std::min(1.0, t * 3.0);
        });
        face << QPointF(1.03 * W, horizon + 3 * u) << QPointF(h[0] * W, horizon + 3 * u);
        QPainterPath facePath;
        facePath.addPolygon(face);
        p.fillPath(facePath, mix(hex(0xB7A48E), hazeColor, h[2]));
    }
    // Glitter under the sun: the light catches a few wave crests at a time, so it comes in
    // broken rows that bunch and thin out, brighter towards the horizon under the sun.
    for (int row = 0; row < 48; ++row) {
        const double y = horizon + 2 * u + std::pow(rng.uniform(), 1.8) * 0.3 * H;
        const double d = (y - horizon) / (0.3 * H);
        const double rowStrength = rng.range(0.3, 1.0);
        const int glints = rng.integer(1, 6);
        double x = 0.74 * W + rng.gauss() * (0.03 + 0.08 * d) * W;
        for (int k = 0; k < glints; ++k) {
            const double len = (0.002 + 0.012 * d) * W * std::pow(rng.uniform(), 1.5) + 2 * u;
            const double a = (0.3 + 0.5 * (1 - d)) * rowStrength * rng.range(0.6, 1.0);
            p.setPen(QPen(hex(0xFFFFFF, a), (0.8 + 1.8 * d) * u, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(x, y), QPointF(x + len, y));
            x += len + rng.range(0.3, 3.0) * (0.004 + 0.01 * d) * W;
        }
    }
    p.setPen(Qt::NoPen);

    // The headland on the left: a green top sloping down to the sea, and its cliff face turned
    // towards the bay with its foot in the water and, nearer, on the beach.
    const auto footY = [&](double t) {
        return H * (0.66 - 0.16 * std::pow(t, 0.8)) +
               0.006 * H * (fbm1(static_cast<float>(t * 14), 12, 2) - 0.5);
    };
    const QPolygonF foot = profileLine(-0.02 * W, 0.36 * W, 120, footY);
    // Towards the point the top breaks down in a few ragged steps to the water, so the headland
    // ends in broken rock rather than a cut.
    const auto fall = [](double t) {
        const double f = 3.0 * smoothstep(0.55, 1.0, t);
        return (std::floor(f) + smoothstep(0.15, 0.6, f - std::floor(f))) / 3.0;
    };
    const QPolygonF edge = profileLine(-0.02 * W, 0.36 * W, 160, [&](double t) {
        const double y = H * (0.33 + 0.1 * std::pow(t, 1.6)) +
                         0.01 * H * (fbm1(static_cast<float>(t * 8), 11, 3) - 0.5);
        return y + (footY(t) - y) * std::min(1.0, fall(t)) +
               0.008 * H * (fbm1(static_cast<float>(t * 40), 13, 2) - 0.5) *
                   smoothstep(0.5, 0.7, t);
    });
    // Past the last step the face is only a sliver; the fallen blocks take over there.
    p.save();
    p.setClipRect(QRectF(0, 0, 0.335 * W, H));
    paintStrataFace(p, rng, edge, foot,
                    {hex(0xD7BFA0), hex(0x9A806A), hex(0x6E5A4E), hex(0x5A4C45)}, u);
    p.restore();
    // Fallen blocks off the point, half in the water.
    for (int i = 0; i < 4; ++i) {
        const double x = (0.318 + 0.011 * i + rng.range(-0.003, 0.003)) * W;
        const double y = footY(0.93) + (0.004 + 0.002 * i) * H;
        const double r = (0.013 - 0.002 * i) * W;
        QPolygonF block;
        for (int k = 0; k < 7; ++k) {
            const double a = pi + pi * k / 6.0;
            block << QPointF(x + r * std::cos(a) * rng.range(0.8, 1.1),
                             y + 0.6 * r * std::sin(a) * rng.range(0.7, 1.2));
        }
        QPainterPath path = polygonPath(block);
        p.fillPath(path, hex(0x7E6957));
        QPainterPath lit;
        lit.addRect(QRectF(x, y - r, r, r));
        p.fillPath(path.intersected(lit), hex(0xB49C80));
    }
    // The grass cap overhangs the face a little and is lit from above; it thins out where the
    // headland breaks down.
    QPainterPath cap;
    QPolygonF capLine = edge;
    for (auto it = edge.crbegin(); it != edge.crend(); ++it)
        capLine << *it - QPointF(0, (0.05 * H + 0.03 * H * (1.0 - it->x() / (0.36 * W))) *
                                        (1.0 - smoothstep(0.45, 0.75, it->x() / (0.36 * W))));
    cap.addPolygon(capLine);
    cap.closeSubpath();
    fillPathVertical(p, cap, 0.2 * H, 0.45 * H, hex(0x9CC873), hex(0x6E9E50));
    p.setPen(QPen(hex(0x5B7F45, 0.3), 2 * u));
    // The grass line stops where the cap runs out; beyond it the top edge is bare rock.
    QPolygonF grassLine;
    for (const QPointF& pt : edge)
        if (pt.x() < 0.29 * W)
            grassLine << pt;
    p.drawPolyline(grassLine);
    p.setPen(Qt::NoPen);
    // A sea stack off the point: a ragged pillar, wider at the foot, shaded on its left like the
    // cliff and bedded like it.
    QPolygonF stack;
    const double sx = 0.43 * W;
    const double sBase = 0.515 * H;
    const double sTop = 0.445 * H;
    for (int k = 0; k <= 8; ++k) {
        const double s = k / 8.0;
        stack << QPointF(sx - (0.02 - 0.012 * s) * W + rng.range(-0.002, 0.002) * W,
                         sBase - s * (sBase - sTop));
    }
    stack << QPointF(sx - 0.004 * W, sTop - 0.006 * H) << QPointF(sx + 0.003 * W, sTop + 0.004 * H);
    for (int k = 8; k >= 0; --k) {
        const double s = k / 8.0;
        stack << QPointF(sx + (0.017 - 0.009 * s) * W + rng.range(-0.002, 0.002) * W,
                         sBase - s * (sBase - sTop) * 0.93);
    }
    const QPainterPath stackPath = polygonPath(stack);
    fillPathVertical(p, stackPath, sTop, sBase, hex(0xCDB497), hex(0x8E7662));
    p.save();
    p.setClipPath(stackPath);
    p.fillRect(QRectF(sx - 0.03 * W, sTop - 0.01 * H, 0.025 * W, sBase - sTop + 0.02 * H),
               hex(0x6A574B, 0.45));
    p.setPen(QPen(hex(0x6A574B, 0.35), 2.0 * u));
    for (int k = 1; k < 6; ++k) {
        const double y = sTop + (sBase - sTop) * (k / 6.0 + rng.range(-0.03, 0.03));
        p.drawLine(QPointF(sx - 0.03 * W, y), QPointF(sx + 0.03 * W, y - 0.002 * H));
    }
    p.setPen(Qt::NoPen);
    p.restore();
    // The stump of its fallen neighbour and a few rocks keep it company, so it reads as what
    // is left of a point worn back, not a lone peg.
    for (int i = 0; i < 4; ++i) {
        const double rx = (0.452 + 0.016 * i + rng.range(-0.004, 0.004)) * W;
        const double rw = (i == 0 ? 0.011 : rng.range(0.004, 0.008)) * W;
        const double rh = (i == 0 ? 0.022 : rng.range(0.004, 0.008)) * H;
        QPolygonF rock;
        for (int k = 0; k <= 8; ++k) {
            const double a = pi + pi * k / 8.0;
            rock << QPointF(rx + rw * std::cos(a) * rng.range(0.85, 1.1),
                            sBase + 0.002 * H + rh * std::sin(a) * rng.range(0.8, 1.1));
        }
        const QPainterPath rockPath = polygonPath(rock);
        fillPathVertical(p, rockPath, sBase - rh, sBase, hex(0xBFA68A), hex(0x8E7662));
        QPainterPath shadeSide;
        shadeSide.addRect(QRectF(rx - 2 * rw, sBase - 2 * rh, 1.6 * rw, 3 * rh));
        p.fillPath(rockPath.intersected(shadeSide), hex(0x6A574B, 0.45));
    }
    QPolygonF stackSurf;
    for (int i = 0; i <= 20; ++i)
        stackSurf << QPointF((0.405 + 0.1 * i / 20.0) * W, 0.516 * H);
    paintSurf(p, rng, stackSurf, QPointF(0, 1), u * 0.5, 0.8);
    QPolygonF cliffSurf;
    for (const QPointF& pt : foot)
        if (pt.x() > 0.17 * W && pt.x() < 0.33 * W)
            cliffSurf << pt + QPointF(0, 2 * u);
    paintSurf(p, rng, cliffSurf, QPointF(0.3, 1.0), u * 0.8, 0.9);

    // The beach sweeps from the cliff foot round to the lower right; the water over it shows
    // the sand through, then the wet margin, then dry sand.
    // It starts at the cliff foot, so the face stands on sand at the left and only its point
    // reaches the water.
    QPolygonF shore;
    const double shoreFrom = 0.15;
    const double shoreTop = footY((shoreFrom + 0.02) / 0.38) / H + 0.006;
    for (int i = 0; i <= 120; ++i) {
        const double t = i / 120.0;
        shore << QPointF(
            (shoreFrom + (1.04 - shoreFrom) * t) * W,
            H * (shoreTop + (0.925 - shoreTop) * (0.35 * t + 0.65 * std::pow(t, 1.6))));
    }
    // The band of shallow water narrows to nothing where the beach meets the cliff.
    QPolygonF shallow = shore;
    for (int i = 0; i < shallow.size(); ++i)
        shallow[i].ry() -= 0.03 * H * (0.5 + shallow[i].x() / W) *
                           smoothstep(0.0, 0.25, static_cast<double>(i) / (shallow.size() - 1));
    shallow << QPointF(1.03 * W, 1.02 * H) << QPointF(shore.first().x(), 1.02 * H);
    QPainterPath shallowPath;
    shallowPath.addPolygon(shallow);
    p.fillPath(shallowPath, hex(0xA6E3D4, 0.55));
    // Left of where the water ends the sand runs right up to the cliff foot.
    QPolygonF sand = shore;
    sand << QPointF(1.03 * W, 1.02 * H) << QPointF(-0.02 * W, 1.02 * H);
    for (const QPointF& pt : foot)
        if (pt.x() < shore.first().x())
            sand << pt + QPointF(0, -2 * u);
    QPainterPath sandPath;
    sandPath.addPolygon(sand);
    fillPathVertical(p, sandPath, 0.65 * H, H, hex(0xCDB48C), hex(0xE9D6AE));
    QPolygonF dry = shore;
    for (QPointF& pt : dry)
        pt.ry() += 0.035 * H;
    dry << QPointF(1.03 * W, 1.02 * H) << QPointF(-0.02 * W, 1.02 * H);
    // Under the cliff the dry sand reaches up to the scree at its foot.
    for (const QPointF& pt : foot)
        if (pt.x() < shore.first().x())
            dry << pt + QPointF(0, 0.03 * H);
    QPainterPath dryPath;
    dryPath.addPolygon(dry);
    p.drawImage(0, 0, softShape(size, dryPath, static_cast<int>(10 * u), hex(0xF1E2C2)));
    paintSurf(p, rng, shore, QPointF(-0.2, -1.0), u, 1.0);
    // Fallen rock along the cliff foot breaks the line where the face meets the water: a band
    // of boulders, lit on their tops, ragged on the seaward side.
    {
        QPolygonF top;
        QPolygonF bottom;
        for (int i = 0; i <= 160; ++i) {
            const double t = -0.02 + 0.34 * i / 160.0;
            const double y = footY((t + 0.02) / 0.38);
            const double bulk = 0.006 * H + 0.012 * H * fbm1(static_cast<float>(t * 30), 21, 3);
            top << QPointF(t * W, y - bulk * 0.6);
            bottom << QPointF(t * W,
                              y + bulk * 0.5 * (0.6 + fbm1(static_cast<float>(t * 90), 22, 2)));
        }
        const QPainterPath apron = areaBetween(top, bottom);
        p.fillPath(apron, hex(0x6E5C50));
        for (int i = 0; i < 80; ++i) {
            const double t = rng.range(-0.02, 0.32);
            const double y = footY((t + 0.02) / 0.38);
            const double r = rng.range(0.003, 0.008) * W;
            QPainterPath boulder;
            boulder.addEllipse(QPointF(t * W, y + rng.range(-0.2, 0.6) * r), r, r * 0.55);
            p.fillPath(boulder, hex(0x7E6957));
            p.fillPath(boulder.subtracted(boulder.translated(-r * 0.15, r * 0.25)), hex(0xA88F76));
        }
    }
    // Dunes with marram grass in the near left corner.
    const QPolygonF dune = profileLine(-0.02 * W, 0.45 * W, 80, [&](double t) {
        return 0.86 * H + 0.18 * H * std::pow(t, 2.5) - 0.02 * H * std::sin(t * 6.0);
    });
    fillPathVertical(p, areaBelow(dune, H * 1.02), 0.84 * H, H, hex(0xDCC597), hex(0xC4A97A));
    paintGrass(p, rng, QRectF(-0.02 * W, 0.88 * H, 0.26 * W, 0.12 * H), 500, 0.04 * H, 0.1 * H,
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
    // Thin crisp streaks at separate heights, so no two cross into a brighter sliver.
    for (int i = 0; i < 3; ++i)
        paintFlatStratus(p, rng, QPointF(rng.range(0.08, 0.42) * W, (0.1 + 0.085 * i) * H),
                         rng.range(0.15, 0.25) * W, 0.012 * H, hex(0xFFFFFF, 0.35));

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
    const QPainterPath snow = snowLine(peak, rng, 0.4 * H, 0.03 * H).intersected(mountain);
    fillPathVertical(p, snow, 0.15 * H, 0.5 * H, hex(0xFFFFFF), hex(0xE6EEF6));
    // Light from the upper left: the summit's right face and the shoulder's are in shade.
    const double top = summitX(peak, 0.55 * W, 0.8 * W);
    const double shoulder = summitX(peak, 0.18 * W, 0.4 * W);
    const double saddle = saddleX(peak, shoulder, top);
    QPainterPath shadows = summitShadow(peak, rng, top, top + 0.07 * W, 1.2 * W, 1.2 * W, H);
    shadows.addPath(
        summitShadow(peak, rng, shoulder, shoulder + 0.05 * W, saddle, saddle + 0.03 * W, H));
    shadows = shadows.intersected(mountain);
    p.fillPath(shadows, hex(0x3E4A66, 0.5));
    p.fillPath(shadows.intersected(snow), hex(0x9DB2D3, 0.6));
    // Mist pooling at the mountain's foot.
    fillPathVertical(p, mountain, 0.45 * H, horizon + 0.02 * H, hex(0xD8E8F1, 0.0),
                     hex(0xD8E8F1, 0.75));
    p.restore();

    // Forested foothills, bluer with distance; each tree is lit on its left.
    const QPolygonF hills1 = rollingLine(W, horizon + 0.05 * H, 0.03 * H, 61, 3.0);
    p.fillPath(areaBelow(hills1, H), hex(0x5F8A8C));
    paintConifers(p, coniferStand(rng, hills1, 0.03 * H, 0.06 * H, 0.008 * W),
                  {hex(0x5A8587), hex(0x5F8A8C), hex(0x69938F)}, hex(0x3F6470, 0.3));
    const QPolygonF hills2 = rollingLine(W, horizon + 0.15 * H, 0.05 * H, 62, 2.0);
    p.fillPath(areaBelow(hills2, H), hex(0x3C6663));
    paintConifers(p, coniferStand(rng, hills2, 0.06 * H, 0.12 * H, 0.012 * W),
                  {hex(0x365E5C), hex(0x3C6663), hex(0x46716A)}, hex(0x1F3F4A, 0.35));
    const QPolygonF hills3 = profileLine(-0.02 * W, 1.02 * W, 100, [&](double t) {
        return 0.9 * H + 0.05 * H * std::cos(t * pi * 2.0) - 0.03 * H * std::sin(t * 5.0);
    });
    p.fillPath(areaBelow(hills3, H), hex(0x24443F));
    paintConifers(p, coniferStand(rng, hills3, 0.12 * H, 0.3 * H, 0.025 * W),
                  {hex(0x203E3A), hex(0x24443F), hex(0x2C4E45)}, hex(0x0F2630, 0.4));
    return finishIllustration(canvas.finish(), 0x5A0);
}

} // namespace tavlin::backdrops
