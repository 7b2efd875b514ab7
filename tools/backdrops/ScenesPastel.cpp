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

constexpr double pi = 3.14159265358979;

// Soft pastel sticks: thin, slightly translucent hatching strokes that wander in colour, laid
// over a blended underlayer, then the paper's tooth breaks them up.
QImage pastel(const QImage& base, quint32 seed, const QColor& paper, double pressure, double angle,
              const std::function<double(QPointF)>& angleAt = {},
              const std::function<double(QPointF)>& calmAt = {}, double calmLength = 1.8)
{
    BrushPainter::Style style;
    style.passes = {
        {26, 3.5, 1.2, 0.7, 0.35, 0.0},
        {12, 4.0, 1.1, 0.6, 0.45, 0.0},
    };
    style.bristles = 2;
    style.bristleContrast = 0.12;
    style.impasto = 0.0;
    style.edgeStop = 0.16;
    style.restAngle = angle;
    style.restWander = 0.25;
    style.restAngleAt = angleAt;
    // Colour straight from the picture, so no pale rim forms where a shape meets the sky, and
    // the sky is laid in long, even strokes that only bend at a strong edge.
    style.crisp = true;
    style.edgeFollow = 0.4;
    if (calmAt) {
        style.jitterAt = [calmAt](QPointF at) { return 1.0 - 0.7 * calmAt(at); };
        style.lengthAt = [calmAt, calmLength](QPointF at) {
            return 1.0 + (calmLength - 1.0) * calmAt(at);
        };
    }
    QImage drawn = BrushPainter(base, seed).paint(style);
    pastelFinish(drawn, paper, seed, pressure);
    return drawn;
}

} // namespace

QImage paintLavenderField(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x1A7E);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.5 * H;

    // Early evening: the sun sits low on the left behind the haze, so the sky warms towards
    // that side and the clouds are lit on their left shoulders.
    fillVertical(
        p, QRectF(0, 0, W, horizon + 0.02 * H),
        {{0.0, hex(0x8CA3CC)}, {0.45, hex(0xC4B8D8)}, {0.85, hex(0xF2D2BE)}, {1.0, hex(0xF8DEC2)}});
    paintGlow(p, QPointF(0.18 * W, horizon - 0.02 * H), 0.55 * H, hex(0xFFE6C4, 0.75));
    // A few towering summer clouds on the right: rounded masses, warm on the sunward
    // shoulders, mauve in the shaded bases.
    struct Mass
    {
        double x, y, w, h;
    };
    for (const Mass& m :
         {Mass{0.7, 0.3, 0.3, 0.17}, Mass{0.93, 0.26, 0.2, 0.13}, Mass{0.45, 0.38, 0.16, 0.06}}) {
        QPainterPath body;
        body.setFillRule(Qt::WindingFill);
        const QPointF base(m.x * W, m.y * H);
        for (int i = 0; i < 14; ++i) {
            const double t = rng.range(-0.5, 0.5);
            const double up = rng.uniform() * (1.0 - 1.6 * std::abs(t));
            const double r = m.h * H * rng.range(0.22, 0.4) * (1.0 - 0.8 * std::abs(t));
            body.addEllipse(QPointF(base.x() + t * m.w * W, base.y() - up * m.h * H - r * 0.5),
                            r * rng.range(1.0, 1.4), r);
        }
        QPainterPath flat;
        flat.addRect(QRectF(base.x() - W, base.y() - H, 2 * W, H));
        body = body.simplified().intersected(flat);
        QImage layer(size, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter c(&layer);
        c.setRenderHint(QPainter::Antialiasing);
        fillPathVertical(c, body, base.y() - m.h * H, base.y(), hex(0xFBE8DA), hex(0xCDB7CB));
        // The side turned from the sun, and the base, fall into mauve shade.
        c.fillPath(body.subtracted(body.translated(-0.08 * m.w * W, -0.2 * m.h * H)),
                   hex(0xB8A2C0, 0.4));
        c.end();
        p.drawImage(0, 0, blurred(layer, static_cast<int>(10 * u)));
    }

    // Far hills in the haze, then a nearer rise that carries the farmhouse and its trees.
    const QPolygonF far = rollingLine(W, horizon - 0.01 * H, 0.02 * H, 0x1A, 2.5);
    p.fillPath(areaBelow(far, H), hex(0xB7AEC8));
    const QPolygonF rise = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return horizon + 0.012 * H - 0.03 * H * std::exp(-std::pow((t - 0.66) / 0.2, 2.0));
    });
    fillPathVertical(p, areaBelow(rise, H), horizon - 0.02 * H, horizon + 0.03 * H, hex(0xAFB49D),
                     hex(0x9FA88C));
    // A hedge of round trees along the rise, soft and bluish with distance.
    for (int i = 0; i < 60; ++i) {
        const double x = rng.range(0.38, 0.95) * W;
        if (std::abs(x - 0.6 * W) < 0.05 * W)
            continue;
        const double r = rng.range(0.004, 0.009) * H;
        p.setPen(Qt::NoPen);
        p.setBrush(mix(hex(0x7F8D78), hex(0x9A9DA8), rng.uniform()));
        p.drawEllipse(QPointF(x, lineY(rise, x) - r * 0.6), r * 1.3, r);
    }
    // Between the rise and the lavender, a strip of ripe wheat catching the low sun.
    const QPolygonF wheat = rollingLine(W, horizon + 0.03 * H, 0.006 * H, 0x1C, 2.0);
    fillPathVertical(p, areaBelow(wheat, H), horizon + 0.02 * H, horizon + 0.05 * H,
                     hex(0xD9C597, 0.45), hex(0xC3B08E, 0.3));

    // Rows of lavender on flat ground, all fanning out from one vanishing point. Each row is
    // lit on its left flank and shaded on its right; the gaps between them are green.
    const QPointF vanish(0.42 * W, horizon + 0.01 * H);
    const double top = horizon + 0.05 * H;
    const double foot = H * 1.05;
    const double spacing = 0.12 * W;
    // The field's far edge follows the lie of the land rather than a ruled line.
    const QPainterPath ground =
        areaBelow(rollingLine(W, top - 0.012 * H, 0.004 * H, 0x1D, 3.0), H * 1.02);
    fillPathVertical(p, ground, top, H, hex(0xA595C4), hex(0x7653A6));
    p.save();
    p.setClipPath(ground);
    const auto strip = [&](double a, double b) {
        QPainterPath s;
        s.moveTo(vanish);
        s.lineTo(vanish.x() + a * spacing, foot);
        s.lineTo(vanish.x() + b * spacing, foot);
        s.closeSubpath();
        return s;
    };
    for (int k = -260; k <= 260; ++k) {
        p.fillPath(strip(k + 0.7, k + 1.0), hex(0x8FA47E));
        p.fillPath(strip(k + 0.0, k + 0.26), hex(0xB9A2DC, 0.55));
        p.fillPath(strip(k + 0.48, k + 0.7), hex(0x5F4590, 0.35));
    }
    // Far away the rows blur into one warm purple haze.
    fillPathVertical(p, ground, top - 0.015 * H, top + 0.07 * H, hex(0xB3A4C6, 0.8),
                     hex(0xB4A9C8, 0.0));
    p.restore();
    // Flower spikes on the rows, larger towards the viewer.
    for (int i = 0; i < 9000; ++i) {
        const double y = top + std::pow(rng.uniform(), 0.6) * (H - top);
        const double d = (y - horizon) / (H - horizon);
        const double s = (1.5 + 9.0 * d * d) * u;
        const double x = rng.uniform() * W;
        const double along = (x - vanish.x()) / (y - vanish.y()) * (foot - vanish.y()) / spacing;
        // Far off the spikes are too small to see one by one; there the rows read as colour.
        if (along - std::floor(along) > 0.66 || d < 0.3)
            continue;
        p.setBrush(mix(hex(0x9B7BD0), hex(0xC7B2EC), rng.uniform()));
        p.drawEllipse(QPointF(x, y - s), s * 0.45, s * 1.2);
    }
    const QImage base = canvas.finish();
    // Heavy pressure on a mid-toned paper: light paper showing through the tooth reads as dust
    // on the screen behind a recording. Sky strokes follow the clouds' rounded forms where
    // there are edges and lie level elsewhere.
    // In the field every stroke runs along the rows, towards the point where they meet.
    const auto alongRows = [&](QPointF at) {
        return at.y() < top - 0.02 * H
                   ? 0.0
                   : std::atan2(at.y() - vanish.y(), at.x() - vanish.x() + 1e-6);
    };
    QImage drawn = pastel(base, 0x1A7E, hex(0xA99BBE), 0.98, 0.0, alongRows, [&](QPointF at) {
        return smoothstep(horizon - 0.02 * H, horizon - 0.1 * H, at.y());
    });

    // The farmhouse and cypresses go on over the chalk: brushed, the sky smears into halos
    // around them. Softened and faded a little into the haze, their edges come and go with
    // the chalk around them instead of reading as cut out.
    QImage layer(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter q(&layer);
    q.setRenderHint(QPainter::Antialiasing);
    q.setPen(Qt::NoPen);
    const double hx = 0.585 * W;
    const double hy = lineY(rise, hx) + 0.003 * H;
    const double hw = 0.034 * W;
    const double hh = 0.02 * H;
    q.setBrush(hex(0xEDDCC4));
    q.drawRect(QRectF(hx, hy - hh, hw, hh));
    q.setBrush(hex(0xC9B3A8));
    q.drawRect(QRectF(hx + 0.7 * hw, hy - hh, 0.3 * hw, hh));
    q.setBrush(hex(0xBD826B));
    q.drawPolygon(QPolygonF{{hx - 0.06 * hw, hy - hh},
                            {hx + 0.22 * hw, hy - 1.7 * hh},
                            {hx + 0.8 * hw, hy - 1.7 * hh},
                            {hx + 1.06 * hw, hy - hh}});
    // Cypresses: flames widest a third of the way up, shaded on the side away from the sun.
    for (const auto& t : {std::pair{0.632, 1.0}, std::pair{0.646, 0.78}, std::pair{0.672, 1.12},
                          std::pair{0.686, 0.7}}) {
        const double x = t.first * W;
        const double y = lineY(rise, x) + 0.004 * H;
        const double h = 0.09 * H * t.second;
        const double r = 0.007 * W * (0.8 + 0.2 * t.second);
        QPainterPath flame;
        flame.moveTo(x - 0.5 * r, y);
        flame.cubicTo(x - 1.3 * r, y - 0.3 * h, x - 0.5 * r, y - 0.8 * h, x, y - h);
        flame.cubicTo(x + 0.5 * r, y - 0.8 * h, x + 1.3 * r, y - 0.3 * h, x + 0.5 * r, y);
        flame.closeSubpath();
        q.fillPath(flame, hex(0x74866F));
        q.fillPath(flame.intersected(QPainterPath(flame).translated(0.45 * r, 0)), hex(0x5A6B58));
    }

    q.end();
    QPainter d(&drawn);
    d.setOpacity(0.9);
    d.drawImage(0, 0, blurred(layer, std::max(1, static_cast<int>(2.5 * u))));
    d.end();
    return drawn;
}

QImage paintAuroraHills(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xA0A4);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.63 * H;
    const double shore = 0.76 * H;

    // Late dusk rather than deep night: the sky keeps a peach rim low down, so the palette stays
    // chalky and light while the upper sky is dark enough for the curtains to glow on.
    fillVertical(p, QRectF(0, 0, W, horizon + 0.01 * H),
                 {{0.0, hex(0x2C3152)},
                  {0.35, hex(0x464B72)},
                  {0.62, hex(0x847EA2)},
                  {0.84, hex(0xD0AEBD)},
                  {1.0, hex(0xF1CDB3)}});
    // The lake mirrors the sky, darker and with the order reversed.
    fillVertical(p, QRectF(0, horizon, W, shore - horizon + 0.02 * H),
                 {{0.0, hex(0xE3C2B4)}, {0.35, hex(0xB6A3B9)}, {1.0, hex(0x6E7393)}});
    QImage image = canvas.finish();

    // Two curtains hanging from gently curving hems: bright along a soft lower hem, streaked
    // by vertical rays of uneven length that fade upward. The brush follows the rays, so they
    // come out as upright strokes of chalk.
    Field glow(image.width(), image.height());
    Field rise(image.width(), image.height());
    struct Curtain
    {
        double hem, sway, waves, phase, height, strength, from, to;
        quint32 seed;
    };
    const Curtain curtains[] = {
        {0.30, 0.05, 1.1, 0.6, 0.26, 0.75, -0.1, 0.68, 0xA0A6},
        {0.40, 0.045, 1.5, 2.4, 0.3, 1.0, 0.24, 1.1, 0xA0B6},
    };
    for (const Curtain& c : curtains) {
        for (int x = 0; x < glow.width(); ++x) {
            const double fx = x / static_cast<double>(glow.width());
            // A second, tighter fold keeps the hem from reading as a row of hills.
            const double hem =
                H * (c.hem + c.sway * (std::sin(fx * c.waves * 2.0 * pi + c.phase) +
                                       0.4 * std::sin(fx * c.waves * 4.6 * pi + 1.7 * c.phase)));
            const double along =
                smoothstep(c.from, c.from + 0.2, fx) * smoothstep(c.to, c.to - 0.2, fx);
            const double broad = 0.5 + 0.5 * fbm1(static_cast<float>(fx * 5.0), c.seed, 2);
            // Folds a few fingers wide rather than fine rays: fine rays come out as combed fur
            // once the chalk goes over them.
            const double rays = fbm1(static_cast<float>(fx * 40.0), c.seed + 1, 2);
            const double bright = broad * (0.75 + 0.5 * rays);
            const double reach = c.height * H * (0.75 + 0.5 * rays);
            for (int y = 0; y < glow.height(); ++y) {
                const double up = (hem - y) / reach;
                const double v = up >= 0.0 ? std::exp(-2.2 * up) * (1.0 - 0.25 * std::exp(-30 * up))
                                           : std::exp(-std::pow(-up * reach / (0.035 * H), 2.0));
                const float add = static_cast<float>(c.strength * along * bright * v);
                if (add > glow.at(x, y)) {
                    glow.at(x, y) = std::min(1.0f, add);
                    rise.at(x, y) = static_cast<float>(clamp01((hem - y) / (c.height * H * 1.3)));
                }
            }
        }
    }
    glow.blur(static_cast<int>(9 * u));
    addAurora(image, glow, rise, hex(0x9AF0CF), hex(0xCF9BD6));
    // Its reflection: a dim, vertically squashed copy in the lake.
    QImage mirrored(image.size(), QImage::Format_ARGB32_Premultiplied);
    mirrored.fill(Qt::transparent);
    {
        QPainter m(&mirrored);
        m.setRenderHint(QPainter::SmoothPixmapTransform);
        const QRectF sky(0, horizon - 0.35 * H, W, 0.35 * H);
        m.setOpacity(0.45);
        m.drawImage(QRectF(0, horizon, W, 0.35 * H * 0.4), image.copy(sky.toRect()).mirrored());
    }

    QPainter q(&image);
    q.setRenderHint(QPainter::Antialiasing);
    q.setPen(Qt::NoPen);
    q.save();
    q.setClipRect(QRectF(0, horizon, W, shore - horizon));
    q.drawImage(0, 0, mirrored);
    q.restore();
    // A far, hazy range, then a dark ridge across the lake: the one strong dark of the picture.
    const QPolygonF far = mountainRidge(
        rng, W, horizon - 0.02 * H, 0.14 * H,
        [](double t) { return 0.3 + 0.7 * std::pow(std::sin(t * pi * 2.1 + 1.3), 2.0); }, 10 * u,
        0.55);
    q.fillPath(areaBelow(far, horizon), hex(0x8A7F9F));
    const QPolygonF ridge = mountainRidge(
        rng, W, horizon + 0.005 * H, 0.17 * H,
        [](double t) { return 0.35 + 0.65 * std::pow(std::sin(t * pi * 1.15 + 0.2), 2.0); }, 14 * u,
        0.5);
    QPainterPath mountains = areaBelow(ridge, horizon + 0.004 * H);
    fillPathVertical(q, mountains, horizon - 0.17 * H, horizon, hex(0x4D4866), hex(0x3C3A55));
    // Its mirror image in the still lake, as deep as the ridge is high.
    QTransform flip;
    flip.translate(0, horizon);
    flip.scale(1, -1.0);
    flip.translate(0, -horizon);
    q.save();
    q.setClipRect(QRectF(0, horizon, W, shore - horizon));
    q.fillPath(flip.map(mountains), hex(0x4A4763, 0.75));
    q.restore();
    // A thin line of still water light along the far shore.
    q.fillRect(QRectF(0, horizon + 0.002 * H, W, 0.004 * H), hex(0xF3D6C2, 0.6));

    // Snowfield in the foreground, its edge curving down to the water; drifts catch the peach
    // sky and the hollows go mauve.
    const QPolygonF edge = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return shore - 0.05 * H * std::sin(t * pi * 0.9 + 0.3) + 0.02 * H * std::sin(t * 5.0);
    });
    const QPainterPath snow = areaBelow(edge, H * 1.02);
    q.fillPath(areaBelow(profileLine(-0.02 * W, 1.02 * W, 200,
                                     [&](double t) { return lineY(edge, t * W) - 0.006 * H; }),
                         H),
               hex(0x5E5A77));
    fillPathVertical(q, snow, shore - 0.05 * H, H, hex(0xEBDCDD), hex(0xB9B0CC));
    const QPolygonF drift = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
        return 0.9 * H - 0.05 * H * std::sin(t * pi * 1.3 + 1.1);
    });
    q.save();
    q.setClipPath(snow);
    fillPathVertical(q, areaBelow(drift, H * 1.02), 0.85 * H, H, hex(0xA9A0C2, 0.8),
                     hex(0x9C94B8, 0.9));
    // The curtains' light falls on the snow under the brighter one, fading towards the viewer.
    QPainterPath lit;
    lit.addEllipse(QPointF(0.66 * W, shore + 0.02 * H), 0.42 * W, 0.09 * H);
    q.drawImage(0, 0, softShape(size, lit, static_cast<int>(60 * u), hex(0x9FE6CF, 0.2)));
    // Wind-cut drifts: each crest catches the sky's light and throws a soft mauve shadow on
    // its lee side, so the field has a lie to it.
    for (const auto& [y0, amp, phase, tilt] :
         {std::tuple{0.82, 0.018, 0.7, 0.05}, std::tuple{0.88, 0.025, 2.2, -0.06},
          std::tuple{0.96, 0.03, 4.1, 0.08}}) {
        const QPolygonF crest = profileLine(-0.02 * W, 1.02 * W, 200, [&](double t) {
            return y0 * H + tilt * (t - 0.5) * H - amp * H * std::sin(t * pi * 1.7 + phase) -
                   0.4 * amp * H * std::sin(t * pi * 4.3 + 2 * phase);
        });
        QPolygonF lee = crest;
        for (int i = crest.size() - 1; i >= 0; --i)
            lee << crest[i] + QPointF(0, amp * H * (1.2 + 0.6 * std::sin(i * 0.07 + phase)));
        QPainterPath shadow;
        shadow.addPolygon(lee);
        shadow.closeSubpath();
        q.drawImage(0, 0, softShape(size, shadow, static_cast<int>(7 * u), hex(0x8E86AE, 0.5)));
        q.drawImage(0, 0,
                    softShape(size,
                              areaBelow(crest.translated(0, -0.004 * H), H)
                                  .subtracted(areaBelow(crest.translated(0, 0.002 * H), H)),
                              static_cast<int>(2 * u), hex(0xF6E6DE, 0.7)));
    }
    q.restore();
    q.end();

    // The sky is hatched upright, along the curtains' rays; the land level.
    QImage drawn = pastel(
        image, 0xA0A4, hex(0x6B6787), 0.97, 0.1,
        [&](QPointF at) { return at.y() < horizon - 0.06 * H ? 1.45 : 0.1; },
        [&](QPointF at) { return smoothstep(horizon, horizon - 0.2 * H, at.y()); }, 0.6);
    // Stars go on last as single touches of chalk; painted under the strokes they smear.
    QPainter s(&drawn);
    s.setRenderHint(QPainter::Antialiasing);
    // A line of old fence posts half buried in the snow, leading down to the water; drawn over
    // the chalk, as the strokes would wrap the snow around them.
    Random postRng(0xA0A5);
    QImage posts(drawn.size(), QImage::Format_ARGB32_Premultiplied);
    posts.fill(Qt::transparent);
    QPainter l(&posts);
    l.setRenderHint(QPainter::Antialiasing);
    l.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const double t = i / 8.0;
        const double x = W * (0.12 + 0.2 * t * t + 0.1 * t);
        const double y = H * (0.99 - 0.2 * t);
        const double h = H * (0.085 - 0.07 * t) * postRng.range(0.8, 1.15);
        const double w = h * 0.14;
        const double lean = postRng.range(-0.12, 0.12) * h;
        QPolygonF post{
            {x - w, y}, {x - w * 0.8 + lean, y - h}, {x + w * 0.8 + lean, y - h}, {x + w, y}};
        l.setBrush(hex(0x4A4258));
        l.drawPolygon(post);
        l.setBrush(hex(0x6E6688));
        l.drawPolygon(QPolygonF{{x + w * 0.2, y},
                                {x + w * 0.2 + lean, y - h},
                                {x + w * 0.8 + lean, y - h},
                                {x + w, y}});
        l.setBrush(hex(0xF1E4E4));
        l.drawEllipse(QPointF(x + lean, y - h), w * 1.1, w * 0.45);
        l.setBrush(hex(0x8C84A8, 0.55));
        l.drawEllipse(QPointF(x + w * 2.5, y + w * 0.3), w * 3.5, w * 0.7);
    }
    l.end();
    s.drawImage(0, 0, blurred(posts, std::max(1, static_cast<int>(1.5 * u))));
    paintStars(s, rng, QRectF(0, 0, W, 0.3 * H), 70, 1.6 * u, hex(0xF7EFE6), [&](QPointF c) {
        return (1.0 - c.y() / (0.32 * H)) *
               (1.0 - glow.sample(static_cast<float>(c.x()), static_cast<float>(c.y())));
    });
    s.end();
    return drawn;
}

} // namespace tavlin::backdrops
