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
QImage pastel(const QImage& base, quint32 seed, const QColor& paper, double pressure, double angle)
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
    QImage drawn = BrushPainter(blurred(base, static_cast<int>(4 * base.height() / 1600.0)), seed)
                       .paint(style);
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
    const double horizon = 0.55 * H;

    fillVertical(p, QRectF(0, 0, W, horizon),
                 {{0.0, hex(0xA9BCD9)}, {0.5, hex(0xE3CFE0)}, {1.0, hex(0xF8DCC4)}});
    paintGlow(p, QPointF(0.3 * W, 0.5 * H), 0.5 * H, hex(0xFFF0D8, 0.8));
    for (int i = 0; i < 4; ++i)
        p.fillPath(stratusPath(rng, QPointF(rng.range(0.1, 0.9) * W, rng.range(0.12, 0.4) * H),
                               rng.range(0.15, 0.3) * W, 0.02 * H),
                   hex(0xFBEFE8, 0.7));
    // Far hills with a farmhouse and a few poplars.
    const QPolygonF far = rollingLine(W, horizon, 0.015 * H, 0x1A, 3.0);
    p.fillPath(areaBelow(far, H), hex(0xB9B3C9));
    const QPolygonF near = rollingLine(W, horizon + 0.02 * H, 0.01 * H, 0x1B, 2.0);
    p.fillPath(areaBelow(near, H), hex(0xA8B69B));
    for (int i = 0; i < 5; ++i) {
        const double x = (0.66 + 0.02 * i + rng.range(-0.005, 0.005)) * W;
        const double y = lineY(near, x);
        p.setBrush(hex(0x7E8F74));
        p.drawEllipse(QPointF(x, y - 0.035 * H), 0.006 * W, 0.04 * H);
    }
    const double hx = 0.58 * W;
    const double hy = lineY(near, hx) + 0.002 * H;
    p.setBrush(hex(0xF1E4D0));
    p.drawRect(QRectF(hx, hy - 0.022 * H, 0.04 * W, 0.022 * H));
    p.setBrush(hex(0xC98E73));
    p.drawPolygon(QPolygonF{{hx - 0.004 * W, hy - 0.021 * H},
                            {hx + 0.02 * W, hy - 0.04 * H},
                            {hx + 0.044 * W, hy - 0.021 * H}});

    // Rows of lavender on flat ground: each row is a strip at a fixed ground position, so on
    // screen they all fan out from one vanishing point. Far away the rows blur into one haze
    // of purple, so the ground starts purple and the green gaps are cut in.
    const QPointF vanish(0.42 * W, horizon + 0.01 * H);
    const double top = horizon + 0.02 * H;
    const double foot = H * 1.05;
    const double spacing = 0.12 * W;
    QPainterPath ground;
    ground.addRect(QRectF(0, top, W, H - top));
    fillPathVertical(p, ground, top, H, hex(0xA897C2), hex(0x7D57AB));
    p.save();
    p.setClipPath(ground);
    for (int k = -260; k <= 260; ++k) {
        const double a = (k + 0.62) * spacing;
        const double b = (k + 1.0) * spacing;
        QPainterPath gap;
        gap.moveTo(vanish);
        gap.lineTo(vanish.x() + a, foot);
        gap.lineTo(vanish.x() + b, foot);
        gap.closeSubpath();
        p.fillPath(gap, hex(0x8FA47E));
    }
    fillPathVertical(p, ground, top, top + 0.08 * H, hex(0xB4A9C8, 0.9), hex(0xB4A9C8, 0.0));
    p.restore();
    // Flower spikes on the rows, larger towards the viewer.
    for (int i = 0; i < 9000; ++i) {
        const double y = top + std::pow(rng.uniform(), 0.6) * (H - top);
        const double d = (y - horizon) / (H - horizon);
        const double s = (1.5 + 9.0 * d * d) * u;
        const double x = rng.uniform() * W;
        const double along = (x - vanish.x()) / (y - vanish.y()) * (foot - vanish.y()) / spacing;
        if (along - std::floor(along) > 0.6)
            continue;
        p.setBrush(mix(hex(0x9B7BD0), hex(0xC7B2EC), rng.uniform()));
        p.drawEllipse(QPointF(x, y - s), s * 0.45, s * 1.2);
    }
    const QImage base = canvas.finish();
    return pastel(base, 0x1A7E, hex(0xEFE6DA), 0.75, -0.35);
}

QImage paintAuroraHills(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0xA0A4);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();

    // Night sky, deepest overhead, with a faint teal band of airglow low down.
    fillVertical(
        p, QRectF(0, 0, W, H),
        {{0.0, hex(0x10183A)}, {0.4, hex(0x1D2F57)}, {0.64, hex(0x2E566C)}, {1.0, hex(0x22304F)}});
    QImage image = canvas.finish();
    // Two curtains: a far, faint one high up and the main one folding across the sky, green
    // at the hem and fading through violet at the top of the rays.
    Field rise2;
    const Field glow2 =
        auroraIntensity(size, 0xA0A5, {0.3 * H, 0.05 * H, 0.2 * H, -0.15, 0.55}, &rise2);
    addAurora(image, glow2, rise2, hex(0x5FD6A4), hex(0x8C7AD0));
    Field rise;
    const Field glow =
        auroraIntensity(size, 0xA0A4, {0.57 * H, 0.07 * H, 0.4 * H, 0.12, 1.15}, &rise);
    addAurora(image, glow, rise, hex(0x8AF2BE), hex(0xD79BDA));

    QPainter q(&image);
    q.setRenderHint(QPainter::Antialiasing);
    q.setPen(Qt::NoPen);
    // Snow-covered hills, from far to near: the far ones pale with haze and aurora light, the
    // near ones darker; every crest catches a little green from the sky.
    struct Hill
    {
        double base;
        double amp;
        double waves;
        QColor body;
        QColor crest;
    };
    const Hill hills[] = {
        {0.64, 0.04, 2.6, hex(0x2A4262), hex(0x6AAAA0)},
        {0.72, 0.06, 2.0, hex(0x1F3354), hex(0x558F8E)},
        {0.82, 0.07, 1.5, hex(0x172646), hex(0x3F6E7C)},
        {0.94, 0.08, 1.2, hex(0x0F1A36), hex(0x2F566A)},
    };
    int index = 0;
    for (const Hill& hill : hills) {
        const double phase = rng.range(0.0, 2.0 * pi);
        const QPolygonF ridge = profileLine(-0.02 * W, 1.02 * W, 240, [&](double t) {
            const double a = std::sin(t * hill.waves * pi + phase);
            const double b = std::sin(t * hill.waves * 2.7 * pi + phase * 1.7);
            return H * hill.base - H * hill.amp * (0.75 * a + 0.25 * b);
        });
        const QPainterPath area = areaBelow(ridge, H * 1.02);
        // Only a narrow rim at the crest catches the aurora's light.
        fillPathVertical(q, area, H * (hill.base - hill.amp), H * (hill.base + 0.035), hill.crest,
                         hill.body);
        if (index == 3) {
            // Spruce on the nearest hill, dark against the lit snow behind.
            QPainterPath stand;
            stand.addRect(QRectF(-0.02 * W, 0, 0.25 * W, H));
            stand.addRect(QRectF(0.88 * W, 0, 0.2 * W, H));
            q.fillPath(
                pineRow(rng, ridge, 0.08 * H, 0.2 * H, 0.016 * W, 0.02 * H).intersected(stand),
                hex(0x0A1126));
        }
        ++index;
    }
    q.end();
    QImage drawn = pastel(image, 0xA0A4, hex(0x1B2342), 0.95, 0.15);
    // Stars go on last as single touches of chalk; painted under the strokes they smear.
    QPainter s(&drawn);
    s.setRenderHint(QPainter::Antialiasing);
    paintStars(s, rng, QRectF(0, 0, W, 0.5 * H), 140, 1.8 * u, hex(0xF4F1E6), [&](QPointF c) {
        return (1.0 - c.y() / (0.55 * H)) *
               (1.0 - glow.sample(static_cast<float>(c.x()), static_cast<float>(c.y())));
    });
    s.end();
    return drawn;
}

} // namespace tavlin::backdrops
