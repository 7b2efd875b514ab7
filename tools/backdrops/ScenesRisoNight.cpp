#include "Conifer.h"
#include "Field.h"
#include "Flora.h"
#include "Noise.h"
#include "Palette.h"
#include "Random.h"
#include "RisoPrint.h"
#include "Scenes.h"
#include "Sky.h"
#include "Terrain.h"

#include <QRadialGradient>
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

QPainterPath disc(QPointF c, double r)
{
    QPainterPath path;
    path.addEllipse(c, r, r);
    return path;
}

// Four-pointed glint for the brightest stars.
QPainterPath sparkle(QPointF c, double r)
{
    QPainterPath path;
    path.moveTo(c + QPointF(0, -r));
    path.quadTo(c, c + QPointF(r, 0));
    path.quadTo(c, c + QPointF(0, r));
    path.quadTo(c, c + QPointF(-r, 0));
    path.quadTo(c, c + QPointF(0, -r));
    path.closeSubpath();
    return path;
}

// Stars are knocked out of the sky plates so they print as bare paper, the brightest with a
// touch of one ink.
void knockOutStars(RisoPrint& print, Random& rng, const QRectF& area, int count, double unit,
                   std::initializer_list<double> brightTint,
                   const std::function<double(QPointF)>& density)
{
    for (int i = 0; i < count; ++i) {
        const QPointF c(area.left() + rng.uniform() * area.width(),
                        area.top() + rng.uniform() * area.height());
        const double size = std::pow(rng.uniform(), 5.0);
        const bool bright = rng.chance(0.018);
        if (rng.uniform() > density(c))
            continue;
        const double r = unit * (1.5 + 3.5 * size + (bright ? 1.5 : 0.0));
        if (bright) {
            print.fill(sparkle(c, r * 3.5), brightTint);
            print.fill(disc(c, r), {0.0, 0.0, 0.0});
        } else {
            print.fill(disc(c, r), {0.0, 0.0, 0.0});
        }
    }
}

// A quiet sky: most stars are small and only thin the blue plate, so they print as dim specks;
// a rare few knock out to paper, and only the very brightest get a small glint.
void printFaintStars(RisoPrint& print, Random& rng, const QRectF& area, int count, double unit,
                     const std::function<double(QPointF)>& density)
{
    for (int i = 0; i < count; ++i) {
        const QPointF c(area.left() + rng.uniform() * area.width(),
                        area.top() + rng.uniform() * area.height());
        const double light = std::pow(rng.uniform(), 4.0);
        const bool glint = rng.chance(0.006);
        if (rng.uniform() > density(c))
            continue;
        const double r = unit * (1.3 + 2.2 * light + (glint ? 1.2 : 0.0));
        if (glint)
            print.fill(sparkle(c, r * 2.6), {0.15, 0.2, 0.35});
        const double ink = glint ? 0.0 : 0.62 * (1.0 - light);
        print.fill(disc(c, r), {ink, ink * 0.6, 0.0});
    }
}

} // namespace

QImage paintNorthernLights(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::mediumBlue(), ink::green(), ink::fluorescentPink()},
                    0xA0A);
    Random rng(0xA0A);
    const double W = size.width();
    const double H = size.height();
    const double u = print.unit();
    const double horizon = 0.64 * H;
    const double shore = 0.72 * H;

    const QPainterPath sky = rectPath(QRectF(0, 0, W, H));
    // A deep sky: solid blue with a little pink under it, so the aurora, which lifts ink
    // off, is the brightest thing in the picture.
    print.fill(sky, {1.0, 0.0, 0.3});
    print.ramp(2, sky, 0, horizon, 0.45, 0.15);
    knockOutStars(print, rng, QRectF(0, 0, W, horizon), 1500, u, {0.0, 0.0, 0.35},
                  [&](QPointF c) { return 1.0 - 0.7 * c.y() / horizon; });

    // Aurora: it thins the blue and prints green, with pink at the ray tops. The green stays
    // under a veil of blue so the sky reads as night, not as a lit screen.
    // The main curtain hangs just above the ranges: hung higher, it left a dome of starry sky
    // under its hem that read as one more mountain, and the lake had no aurora to mirror.
    Field rise;
    const Field glow =
        auroraIntensity(size, 0xA0A, {0.57 * H, 0.04 * H, 0.38 * H, 0.25, 1.5}, &rise);
    Field rise2;
    const Field glow2 =
        auroraIntensity(size, 0xA0B, {0.22 * H, 0.06 * H, 0.14 * H, -0.2, 0.8}, &rise2);
    // The curtains' light spills below their hems as a glow instead of stopping at a line.
    Field halo = glow;
    halo.blur(static_cast<int>(40 * u));
    Field halo2 = glow2;
    halo2.blur(static_cast<int>(30 * u));
    print.adjust([&](int x, int y, double* d) {
        if (y > shore)
            return;
        const double a = std::max<double>(glow.at(x, y), 0.9 * halo.at(x, y));
        const double b = std::max<double>(glow2.at(x, y), 0.9 * halo2.at(x, y));
        const double v = std::max(a, b);
        const double top =
            std::max<double>(glow.at(x, y) * rise.at(x, y), glow2.at(x, y) * rise2.at(x, y));
        const double pinkTop = smoothstep(0.1, 0.6, top);
        d[0] *= 1.0 - 0.55 * v;
        d[2] = std::max(d[2] * (1.0 - 0.7 * v), 0.55 * pinkTop);
        d[1] = std::max(d[1], 0.64 * std::min(1.0, 1.1 * v) * (1.0 - 0.7 * pinkTop));
    });

    // A far range, pale with distance, its upper slopes lit green by the aurora; then a nearer,
    // darker one whose slopes fade into shadow towards the water.
    Random farRng(0xA0C);
    const QPolygonF farRidge = mountainRidge(
        farRng, W, horizon - 0.01 * H, 0.14 * H,
        [](double t) { return 0.3 + 0.7 * std::pow(std::sin(t * pi * 1.2 + 1.9), 2.0); }, 0.02 * H);
    const QPainterPath farArea = areaBelow(farRidge, shore);
    print.fill(farArea, {0.95, -1, 0.45});
    print.ramp(1, farArea, horizon - 0.15 * H, horizon, 0.18, 0.4);
    const QPolygonF ridge = mountainRidge(
        rng, W, horizon + 0.03 * H, 0.1 * H,
        [](double t) { return 0.2 + 0.8 * std::pow(std::sin(t * pi * 1.5 + 0.6), 2.0); }, 0.03 * H);
    const QPainterPath nearArea = areaBelow(ridge, shore);
    print.fill(nearArea, {1.0, -1, 0.5});
    print.ramp(1, nearArea, horizon - 0.08 * H, shore, 0.45, 0.75);
    const QPolygonF bank = rollingLine(W, shore, 0.004 * H, 3, 6.0);
    print.fill(coniferBodies(coniferStand(rng, bank, 0.03 * H, 0.07 * H, 0.006 * W)),
               {1.0, 0.9, 0.7});
    print.fill(areaBelow(bank, shore + 0.004 * H), {1.0, 0.9, 0.7});

    // The lake mirrors everything above the shore, darker, and more so nearer the viewer where
    // the water shows less sky. Wind breaks the image into slightly shifted bands.
    const int iw = size.width();
    const int top = static_cast<int>(shore);
    std::vector<float> above(static_cast<size_t>(3 * iw * (top + 1)));
    print.adjust([&](int x, int y, double* d) {
        if (y <= top)
            for (int i = 0; i < 3; ++i)
                above[(static_cast<size_t>(y) * iw + x) * 3 + i] = static_cast<float>(d[i]);
    });
    const Field wind =
        Field::smoothNoise(iw, size.height(), static_cast<float>(220 * u), 0xA0D, 3, 3);
    print.adjust([&](int x, int y, double* d) {
        if (y <= top)
            return;
        const double depth = (y - shore) / (H - shore);
        const double w = wind.at(x, y) - 0.5;
        const int my = std::clamp(static_cast<int>(2 * shore - y + 3 * u * w), 0, top);
        const int mx = std::clamp(
            x + static_cast<int>((1 + 6 * depth) * u * std::sin(y * 0.12 / u + 8 * w)), 0, iw - 1);
        const float* m = &above[(static_cast<size_t>(my) * iw + mx) * 3];
        const double keep = 0.8 - 0.35 * depth + 0.25 * smoothstep(0.15, 0.35, w);
        d[0] = 1.0 - (1.0 - m[0]) * keep;
        d[1] = m[1] * (0.6 + 0.3 * keep);
        d[2] = m[2] * (0.6 + 0.3 * keep);
    });

    // Foreground pines framing the sides, with a paler stand behind each group so they read as
    // woods in depth rather than one row of cut-outs.
    Random backRng(0xA0E);
    std::vector<Conifer> behind = coniferStand(
        backRng,
        profileLine(-0.03 * W, 0.36 * W, 30, [&](double t) { return H * (0.9 + 0.08 * t); }),
        0.12 * H, 0.3 * H, 0.03 * W);
    const std::vector<Conifer> behindRight = coniferStand(
        backRng,
        profileLine(0.66 * W, 1.03 * W, 30, [&](double t) { return H * (0.98 - 0.08 * t); }),
        0.12 * H, 0.32 * H, 0.03 * W);
    behind.insert(behind.end(), behindRight.begin(), behindRight.end());
    // Each tree prints a little lighter or darker so the stand is not one stamp.
    for (int tone = 0; tone < 3; ++tone)
        print.fill(coniferBodies(behind, tone), {1.0, 0.78 - 0.06 * tone, 0.74 - 0.04 * tone});
    const QPolygonF leftGround =
        profileLine(-0.05 * W, 0.3 * W, 40, [&](double t) { return H * (0.93 + 0.1 * t); });
    const QPolygonF rightGround =
        profileLine(0.72 * W, 1.05 * W, 40, [&](double t) { return H * (1.02 - 0.1 * t); });
    QPainterPath near = coniferBodies(coniferStand(rng, leftGround, 0.18 * H, 0.42 * H, 0.04 * W));
    near.addPath(coniferBodies(coniferStand(rng, rightGround, 0.2 * H, 0.45 * H, 0.04 * W)));
    near.addPath(
        areaBelow(profileLine(-0.02 * W, 1.02 * W, 60,
                              [&](double t) { return H * (0.97 + 0.03 * std::cos(t * pi * 2)); }),
                  H * 1.02));
    print.fill(near, {1.0, 1.0, 0.9});
    return print.print();
}

QImage paintStarField(QSize size)
{
    RisoPrint print(size, ink::paper(), {ink::mediumBlue(), ink::fluorescentPink(), ink::yellow()},
                    0x57A2);
    Random rng(0x57A2);
    const double W = size.width();
    const double H = size.height();
    const double u = print.unit();
    const double horizon = 0.78 * H;

    const QPainterPath sky = rectPath(QRectF(0, 0, W, H));
    print.ramp(0, sky, 0.3 * H, horizon, 1.0, 0.75);
    print.ramp(1, sky, 0, horizon, 0.3, 0.7);
    print.ramp(2, sky, 0.55 * H, horizon, 0.0, 0.35);

    // The Milky Way: a soft diagonal band where the blue thins into faint, gently mottled light.
    const Field cloud =
        Field::smoothNoise(size.width(), size.height(), static_cast<float>(220 * u), 0x57A3, 5, 4);
    const double angle = -0.42;
    const double ca = std::cos(angle);
    const double sa = std::sin(angle);
    print.adjust([&](int x, int y, double* d) {
        const double dx = x - 0.5 * W;
        const double dy = y - 0.42 * H;
        const double across = -dx * sa + dy * ca;
        const double wander = 0.04 * H * std::sin((dx * ca + dy * sa) / W * 5.0);
        const double band = std::exp(-std::pow((across - wander) / (0.15 * H), 2.0));
        if (band < 0.01)
            return;
        const double glow = band * (0.8 + 0.4 * (cloud.at(x, y) - 0.5));
        d[0] = std::clamp(d[0] * (1.0 - 0.42 * glow), 0.0, 1.0);
        d[1] = std::clamp(d[1] * (1.0 - 0.25 * glow), 0.0, 1.0);
        d[2] = std::clamp(d[2] + 0.1 * glow, 0.0, 1.0);
    });
    // About a thousand stars, a little thicker in the band and thinning towards the hills.
    printFaintStars(print, rng, QRectF(0, 0, W, horizon), 1000, u, [&](QPointF c) {
        const double dx = c.x() - 0.5 * W;
        const double dy = c.y() - 0.42 * H;
        const double band = std::exp(-std::pow((-dx * sa + dy * ca) / (0.18 * H), 2.0));
        return (0.45 + 0.55 * band) * (1.0 - 0.6 * smoothstep(0.5 * H, horizon, c.y()));
    });
    // A shooting star.
    QPainterPath streak;
    const QPointF head(0.8 * W, 0.16 * H);
    const QPointF tail(0.66 * W, 0.08 * H);
    const QPointF side(0, 2.5 * u);
    streak.moveTo(tail);
    streak.lineTo(head - side);
    streak.lineTo(head + side);
    streak.closeSubpath();
    print.fill(streak, {0.0, 0.0, 0.3});
    print.fill(disc(head, 4 * u), {0.0, 0.0, 0.0});

    // Hills and a few pines on the horizon; a cabin with one lit window.
    const QPolygonF far = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return horizon - 0.03 * H * (0.6 * std::sin(t * 5.0 + 1.0) + 0.4 * std::sin(t * 11.0));
    });
    // The far hills sit between the sky and the near slopes in tone, greyed by distance; in
    // full blue they would stand out brighter than both.
    print.fill(areaBelow(far, H * 1.02), {0.86, 0.72, 0.28});
    const QPolygonF hills = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return horizon + 0.06 * H - 0.16 * H * std::exp(-std::pow((t - 0.1) / 0.2, 2.0)) -
               0.03 * H * std::sin(t * 6.0 + 2.0);
    });
    const QPainterPath hillArea = areaBelow(hills, H * 1.02);
    print.fill(hillArea, {1.0, 0.85, 0.2});
    // Starlight lies faintly on the open slopes and dies away into the dark foreground, so the
    // bottom of the picture is land rather than a flat slab of ink.
    print.ramp(1, hillArea, horizon, H, 0.74, 0.9);
    print.ramp(0, hillArea, horizon, H, 0.93, 1.0);
    QPolygonF clump =
        profileLine(0.0, 0.24 * W, 30, [&](double t) { return lineY(hills, 0.24 * t * W); });
    print.fill(coniferBodies(coniferStand(rng, clump, 0.07 * H, 0.17 * H, 0.014 * W)),
               {1.0, 0.85, 0.2});
    QPolygonF clump2 = profileLine(0.84 * W, 0.95 * W, 10,
                                   [&](double t) { return lineY(far, (0.84 + 0.11 * t) * W); });
    print.fill(coniferBodies(coniferStand(rng, clump2, 0.03 * H, 0.06 * H, 0.008 * W)),
               {0.95, 0.8, 0.3});
    const double cx = 0.74 * W;
    const double cy = lineY(hills, cx) + 0.006 * H;
    const double s = 0.03 * H;
    QPainterPath cabin;
    cabin.addRect(QRectF(cx - s, cy - s * 0.8, 2 * s, s * 0.8));
    cabin.moveTo(cx - s * 1.2, cy - s * 0.75);
    cabin.lineTo(cx, cy - s * 1.6);
    cabin.lineTo(cx + s * 1.2, cy - s * 0.75);
    cabin.closeSubpath();
    cabin.addRect(QRectF(cx + s * 0.5, cy - s * 1.6, s * 0.25, s * 0.6));
    // A track winds up from the foreground to the door, pale in the starlight.
    QPainterPath track;
    track.moveTo(0.6 * W, H * 1.02);
    track.cubicTo(QPointF(0.66 * W, 0.94 * H), QPointF(0.78 * W, 0.9 * H),
                  QPointF(cx - s * 0.1, cy + 0.002 * H));
    track.lineTo(cx + s * 0.3, cy + 0.002 * H);
    track.cubicTo(QPointF(0.8 * W, 0.9 * H), QPointF(0.72 * W, 0.95 * H),
                  QPointF(0.68 * W, H * 1.02));
    track.closeSubpath();
    print.fill(track, {0.86, 0.66, 0.22});
    print.fill(cabin, {1.0, 0.85, 0.2});
    QPainterPath window;
    window.addRect(QRectF(cx - s * 0.55, cy - s * 0.6, s * 0.4, s * 0.3));
    print.fill(window, {0.0, 0.25, 1.0});
    // Lamplight: the inks thin softly around the window, so the glow is lighter than the
    // night around it rather than a darker disc of yellow over blue.
    const QPointF lamp(cx - s * 0.35, cy - s * 0.45);
    print.adjust([&](int x, int y, double* d) {
        const double r = std::hypot(x - lamp.x(), y - lamp.y()) / (1.6 * s);
        if (r >= 1.0)
            return;
        const double glow = 1.0 - smoothstep(0.0, 1.0, r);
        d[0] = std::clamp(d[0] * (1.0 - 0.3 * glow), 0.0, 1.0);
        d[1] = std::clamp(d[1] * (1.0 - 0.2 * glow), 0.0, 1.0);
        d[2] = std::clamp(d[2] + 0.12 * glow, 0.0, 1.0);
    });
    print.fill(window, {0.0, 0.25, 1.0});
    return print.print();
}

QImage paintPalmSilhouette(QSize size)
{
    // Inks: pink, yellow, purple, blue. The palms print purple over blue for a deep plum.
    RisoPrint print(size, ink::paper(),
                    {ink::fluorescentPink(), ink::yellow(), ink::purple(), ink::mediumBlue()},
                    0x9A1);
    // Fine leaflets would pick up coloured fringes from a full drum offset.
    print.setMisregistration(1.5);
    Random rng(0x9A1);
    const double W = size.width();
    const double H = size.height();
    const double u = print.unit();
    const double horizon = 0.62 * H;

    // Late dusk, kept quiet: greyed violet overhead, through dusty mauve to a thin apricot
    // at the horizon. Purple runs down the whole sky to take the edge off the pink and yellow.
    const QPainterPath sky = rectPath(QRectF(0, 0, W, horizon));
    print.ramp(0, sky, 0.1 * H, horizon, 0.08, 0.2);
    print.ramp(1, sky, 0.2 * H, horizon, 0.0, 0.34);
    print.ramp(2, sky, 0, horizon, 0.42, 0.12);
    print.ramp(3, sky, 0, 0.35 * H, 0.16, 0.0);
    const QPointF sunCentre(0.58 * W, horizon - 0.03 * H);
    QRadialGradient glow(sunCentre, 0.25 * H);
    glow.setColorAt(0, QColor(255, 255, 255, 50));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    print.plate(1).fillPath(sky, glow);
    // A small, pale sun, only just lighter than the sky round it.
    print.fill(disc(sunCentre, 0.045 * H).intersected(sky), {0.06, 0.42, 0.0, 0.0});
    // Long thin clouds lit from below.
    for (int i = 0; i < 4; ++i) {
        const QPointF c(rng.range(0.1, 0.9) * W, (0.16 + 0.07 * i) * H);
        print.fill(stratusPath(rng, c, rng.range(0.2, 0.35) * W, 0.02 * H),
                   {0.2, 0.2 + 0.04 * i, 0.32 - 0.04 * i, 0.06});
    }

    // Sea: a deeper blue-violet than any of the sky, darkening towards the viewer, so the
    // horizon holds as a line.
    const QPainterPath sea = rectPath(QRectF(0, horizon, W, H - horizon));
    print.fill(sea, {0.12, 0.06, 0.0, 0.0});
    print.ramp(2, sea, horizon, H, 0.5, 0.72);
    print.ramp(3, sea, horizon, H, 0.3, 0.5);
    // The sun's path: swells catch the light a few at a time, so it breaks into rows of
    // glints of uneven length and strength, narrow far out and spreading towards the shore.
    for (int row = 0; row < 70; ++row) {
        const double t = std::pow(rng.uniform(), 1.3);
        const double y = horizon + 0.004 * H + t * (H - horizon) * 0.9;
        const double spreadX = (0.015 + 0.09 * t) * W;
        const double strength = rng.range(0.4, 1.0);
        const double thick = (1.0 + 3.5 * t) * u * rng.range(0.7, 1.2);
        double x = sunCentre.x() + rng.gauss() * spreadX * 0.5;
        for (int k = rng.integer(1, 4); k > 0; --k) {
            const double len = (0.003 + 0.03 * t) * W * std::pow(rng.uniform(), 1.3) + 3 * u;
            QPainterPath ripple;
            ripple.addRoundedRect(QRectF(x - len / 2, y, len, thick), thick / 2, thick / 2);
            const double fade =
                strength * (1.0 - std::min(1.0, std::abs(x - sunCentre.x()) / (1.6 * spreadX)));
            print.fill(ripple, {0.14, 0.1 + 0.26 * fade, 0.46 - 0.16 * fade, 0.26});
            x += (rng.chance(0.5) ? 1 : -1) * (len + rng.range(0.2, 1.5) * spreadX * 0.3);
        }
    }
    // A low island far off with a few small palms.
    const QPolygonF island = profileLine(0.08 * W, 0.34 * W, 80, [&](double t) {
        return horizon + 1 - 0.018 * H * std::pow(std::sin(t * pi), 0.6);
    });
    QPainterPath far = areaBelow(island, horizon + 2);
    far.addPath(palmTree(rng, QPointF(0.2 * W, horizon - 0.012 * H), 0.07 * H, 0.12));
    far.addPath(palmTree(rng, QPointF(0.23 * W, horizon - 0.01 * H), 0.055 * H, -0.1));
    print.fill(far, {0.22, 0.2, 0.55, 0.3});

    // The near shore and its palms, one silhouette.
    QPainterPath palms;
    palms.setFillRule(Qt::WindingFill);
    // One tall palm on the left; a pair on the right, the smaller one leaning in, so the two
    // sides balance without crowding either. Their fronds are held out flat, so each crown
    // reads as a spray of leaves against the sky rather than a hanging mop.
    const double airy = 0.7;
    palms.addPath(palmTree(rng, QPointF(0.1 * W, 1.0 * H), 0.7 * H, 0.2, airy));
    palms.addPath(palmTree(rng, QPointF(0.84 * W, 1.0 * H), 0.36 * H, -0.3, airy));
    palms.addPath(palmTree(rng, QPointF(0.95 * W, 1.0 * H), 0.58 * H, -0.22, airy));
    const QPolygonF beach = profileLine(-0.02 * W, 1.02 * W, 120, [&](double t) {
        return H * (0.94 + 0.05 * std::pow(2.0 * t - 1.0, 2.0) - 0.015 * std::sin(t * 9.0));
    });
    // Filled separately: trunk and beach outlines wind opposite ways and would cancel.
    print.fill(areaBelow(beach, H * 1.02), {0.4, 0.1, 1.0, 0.6});
    print.fill(palms, {0.4, 0.1, 1.0, 0.6});
    return print.print();
}

} // namespace tavlin::backdrops
