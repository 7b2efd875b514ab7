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
#include <functional>

namespace tavlin::backdrops {

namespace {

QPainterPath polygonPath(const QPolygonF& poly)
{
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

// Marks drawn by `draw` on a clear layer and blurred: lost edges for bedding, rills and haze.
QImage softLayer(QSize size, int radius, const std::function<void(QPainter&)>& draw)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter l(&layer);
    l.setRenderHint(QPainter::Antialiasing);
    l.setPen(Qt::NoPen);
    draw(l);
    l.end();
    return blurred(layer, radius);
}

// A butte seen from the plain: a cliff band under a cap rock, standing on a concave talus skirt
// that flares out into the ground. Lines run left to right; y grows downwards.
struct Butte
{
    QPolygonF cap;      // top edge of the cap rock
    QPainterPath cliff; // the vertical band
    QPainterPath talus; // the skirt down to the plain
    QPainterPath whole;
    double left, right, top, foot, base, skirtLeft, skirtRight;
};

Butte makeButte(Random& rng, double left, double right, double top, double foot, double base,
                double flare, double crag)
{
    Butte b{};
    b.left = left;
    b.right = right;
    b.top = top;
    b.foot = foot;
    b.base = base;
    b.skirtLeft = left - flare;
    b.skirtRight = right + flare;
    const std::vector<double> rough = fractalProfile(rng, 7, 0.6);
    const auto roughAt = [&](double t) {
        return rough[static_cast<size_t>(std::lround(t * (rough.size() - 1)))];
    };
    // The cap is nearly level; its corners are broken off.
    b.cap = profileLine(left, right, 90, [&](double t) {
        const double chip = smoothstep(0.06, 0.0, t) + smoothstep(0.94, 1.0, t);
        return top + crag * roughAt(t) + 0.08 * (foot - top) * chip;
    });
    // The walls are near vertical, ragged, and step out at a ledge part way down.
    const std::vector<double> wallL = fractalProfile(rng, 6, 0.65);
    const std::vector<double> wallR = fractalProfile(rng, 6, 0.65);
    const double ledgeL = rng.range(0.35, 0.6);
    const double ledgeR = rng.range(0.3, 0.6);
    const auto wallX = [&](const std::vector<double>& j, double t, double ledge) {
        return crag * 1.6 * j[static_cast<size_t>(std::lround(t * (j.size() - 1)))] +
               0.03 * (right - left) * smoothstep(ledge + 0.03, ledge - 0.03, t);
    };
    // Each wall climbs to where the cap's broken corner is, not to the level top, so no
    // splinter of wall sticks up past the corner.
    QPolygonF outline;
    const int steps = 64;
    const double topL = b.cap.first().y();
    const double topR = b.cap.last().y();
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        outline << QPointF(left - wallX(wallL, t, ledgeL) * (1.0 - smoothstep(0.9, 1.0, t)),
                           foot - (foot - topL) * t);
    }
    outline += b.cap;
    for (int i = steps; i >= 0; --i) {
        const double t = static_cast<double>(i) / steps;
        outline << QPointF(right + wallX(wallR, t, ledgeR) * (1.0 - smoothstep(0.9, 1.0, t)),
                           foot - (foot - topR) * t);
    }
    b.cliff = polygonPath(outline);
    // The skirt is steep under the wall and flattens out into the plain.
    const auto skirtSide = [&](double from, double to, bool reverse) {
        QPolygonF side;
        for (int i = 0; i <= 30; ++i) {
            const double t = static_cast<double>(reverse ? 30 - i : i) / 30.0;
            // Near the angle of repose under the wall, easing out into the plain at the toe.
            const double x = from + (to - from) * std::pow(t, 1.15);
            const double y = foot + (base - foot) * (1.0 - std::pow(1.0 - t, 1.7));
            side << QPointF(x, y);
        }
        return side;
    };
    QPolygonF skirt;
    // The scree starts a little outside the wall, which steps out at its ledges, so the
    // wall never overhangs its own skirt.
    const double tuck = 0.045 * (right - left) + 2.0 * crag;
    skirt += skirtSide(left - tuck, b.skirtLeft, false);
    skirt << QPointF(b.skirtLeft, base + 4) << QPointF(b.skirtRight, base + 4);
    skirt += skirtSide(right + tuck, b.skirtRight, true);
    // Scree piles up the wall in a few spurs, so the join is ragged rather than a level seam,
    // and banks up against the corners from just outside them, so they sink into it.
    const quint32 spurs = rng.seed();
    for (int i = 0; i <= 80; ++i) {
        const double t = 1.0 - i / 80.0;
        const double n = fbm1(static_cast<float>(t * 7.0), spurs, 3);
        const double inside = smoothstep(0.0, 0.1, t) * smoothstep(1.0, 0.9, t);
        const double rise = inside * (0.1 + 0.45 * std::pow(std::max(0.0, n - 0.35), 1.3));
        skirt << QPointF(left - tuck + t * (right - left + 2 * tuck), foot - (foot - top) * rise);
    }
    b.talus = polygonPath(skirt);
    b.whole = b.cliff.united(b.talus);
    return b;
}

struct RockColors
{
    QColor lit, mid, shadow, cap, talusLit, talusShadow;
};

// Late sun from the right: the right flank of each butte is lit, the face towards the viewer
// takes raking light and the left side is in shadow.
void paintButte(QPainter& p, Random& rng, QSize size, const Butte& b, const RockColors& c, double u)
{
    const double w = b.right - b.left;
    const double h = b.foot - b.top;
    p.save();
    p.setClipPath(b.cliff);
    // One light model across the whole face, so there is no seam where one shading layer
    // ends: the wall turns from shadow on the left to sun on the right, and buttresses break
    // it up, each lit on its sun side and dropping into a shadowed cleft. The clefts wander in
    // spacing so the face is not a row of organ pipes.
    const quint32 columns = rng.seed();
    const auto rockAt = [&](double light) {
        return light < 0.5 ? mix(c.shadow, c.mid, light / 0.5)
                           : mix(c.mid, c.lit, (light - 0.5) / 0.5);
    };
    p.drawImage(0, 0, softLayer(size, std::max(1, static_cast<int>(1.5 * u)), [&](QPainter& l) {
                    const double step = 2 * u;
                    for (double x = b.left - 0.08 * w; x < b.right + 0.08 * w; x += step) {
                        const double t = (x - b.left) / w;
                        const double turn = smoothstep(-0.1, 1.05, t);
                        const double phase =
                            t * 8.0 + 3.0 * fbm1(static_cast<float>(t * 3.0), columns, 2);
                        const double flute = phase - std::floor(phase);
                        const double face = flute < 0.75 ? flute / 0.75 : (1.0 - flute) / 0.25;
                        // Buttresses only ripple the light; the rock's grain runs across.
                        const double light =
                            clamp01(0.08 + 0.8 * turn + (0.07 + 0.07 * turn) * (face - 0.6));
                        QLinearGradient down(0, b.top, 0, b.foot);
                        down.setColorAt(0.0, rockAt(clamp01(light + 0.06)));
                        down.setColorAt(1.0, rockAt(light * 0.86));
                        l.fillRect(QRectF(x, b.top - 0.1 * h, step * 1.1, 1.2 * h), down);
                    }
                }));
    // Sandstone beds: bands of slightly different tone right across the face, each harder
    // one standing out as a thin ledge lit on top with a shadow under it. A few faint streaks
    // of varnish hang from the rim.
    {
        const quint32 beds = rng.seed();
        double y = b.top + 0.08 * h;
        int k = 0;
        while (y < b.foot) {
            const double thick = h * rng.range(0.05, 0.13);
            const QPolygonF upper =
                profileLine(b.left - 0.1 * w, b.right + 0.1 * w, 60, [&](double t) {
                    return y +
                           0.012 * h * (2.0 * fbm1(static_cast<float>(t * 4.0), beds + k, 2) - 1.0);
                });
            const QPolygonF lower = upper.translated(0, thick);
            const bool darker = k % 2 == 1;
            p.fillPath(areaBetween(upper, lower),
                       withAlpha(darker ? c.shadow : c.lit, rng.range(0.05, 0.12)));
            if (rng.chance(0.5)) {
                // A ledge runs only part way before it weathers back into the face.
                const double from = rng.range(-0.1, 0.4);
                const double to = from + rng.range(0.4, 0.9);
                const QPolygonF ledge =
                    profileLine(b.left + from * w, b.left + to * w, 40, [&](double t) {
                        return lineY(upper, b.left + (from + (to - from) * t) * w);
                    });
                p.fillPath(areaBetween(ledge, ledge.translated(0, 0.01 * h)),
                           withAlpha(c.lit, 0.3));
                p.fillPath(
                    areaBetween(ledge.translated(0, 0.01 * h), ledge.translated(0, 0.022 * h)),
                    withAlpha(c.shadow, 0.25));
            }
            y += thick;
            ++k;
        }
    }
    p.drawImage(0, 0, softLayer(size, static_cast<int>(3 * u), [&](QPainter& l) {
                    for (int i = 0; i < 10; ++i) {
                        const double x = b.left + rng.uniform() * w;
                        const double len = h * rng.range(0.1, 0.35);
                        const double y0 = lineY(b.cap, x);
                        l.fillRect(QRectF(x, y0, rng.range(2.0, 7.0) * u, len),
                                   withAlpha(c.shadow, rng.range(0.05, 0.12)));
                    }
                }));
    // The hard cap rock: a thin darker lip with a lit rim.
    const QPolygonF capFoot = profileLine(b.left - 10, b.right + 10, 40, [&](double t) {
        return lineY(b.cap, b.left + t * w) + 0.045 * h + 0.012 * h * std::sin(t * 11.0);
    });
    p.fillPath(areaBetween(b.cap.translated(0, -20 * u), capFoot), withAlpha(c.cap, 0.4));
    p.strokePath(areaBetween(b.cap, b.cap.translated(0, 1)), QPen(c.lit, 3 * u));
    p.restore();

    // Talus: lit on the sun side, with rills running down the fall line.
    p.save();
    p.setClipPath(b.talus);
    QLinearGradient across(b.skirtLeft, 0, b.skirtRight, 0);
    across.setColorAt(0.0, c.talusShadow);
    across.setColorAt(0.45, mix(c.talusShadow, c.talusLit, 0.6));
    across.setColorAt(1.0, c.talusLit);
    p.fillPath(b.talus, across);
    // Fresh fallen rock near the wall keeps the wall's colour; it weathers paler downhill.
    fillPathVertical(p, b.talus, b.foot - 0.45 * h, b.base, withAlpha(c.mid, 0.45),
                     withAlpha(c.mid, 0.0));
    p.drawImage(0, 0, softLayer(size, static_cast<int>(6 * u), [&](QPainter& l) {
                    for (int i = 0; i < 14; ++i) {
                        const double t = rng.uniform();
                        const double x0 = b.left + t * w;
                        const double x1 = b.skirtLeft + t * (b.skirtRight - b.skirtLeft) +
                                          rng.range(-0.03, 0.03) * w;
                        QPainterPath rill(QPointF(x0, b.foot));
                        rill.quadTo(QPointF(x0 + (x1 - x0) * 0.2, b.foot + (b.base - b.foot) * 0.6),
                                    QPointF(x1, b.base + 4));
                        const bool dark = rng.chance(0.6);
                        l.strokePath(rill,
                                     QPen(withAlpha(dark ? c.shadow : c.lit, rng.range(0.06, 0.14)),
                                          rng.range(4.0, 14.0) * u, Qt::SolidLine, Qt::FlatCap));
                    }
                }));
    // The wall's foot fades into the scree it sheds instead of sitting on it like a shelf.
    p.drawImage(0, 0, softLayer(size, static_cast<int>(10 * u), [&](QPainter& l) {
                    const double step = 4 * u;
                    for (double x = b.left; x < b.right; x += step) {
                        const double t = (x - b.left) / w;
                        const double reach = (b.base - b.foot) * (0.1 + 0.25 * rng.uniform());
                        l.fillRect(QRectF(x, b.foot - 0.08 * h, step, 0.08 * h + reach),
                                   withAlpha(mix(c.shadow, c.mid, smoothstep(0.0, 1.0, t)), 0.3));
                    }
                }));
    p.restore();
}

// A shrub of the plain: a few dark lobes, a sunlit top towards the right and a shadow cast to
// the left, all fading into the ground colour with distance.
void paintShrub(QPainter& p, Random& rng, QPointF at, double r, const QColor& body,
                const QColor& ground, double haze)
{
    const QColor shadowTint = withAlpha(mix(hex(0x6E5440), ground, haze), 0.45 * (1 - haze));
    p.setBrush(shadowTint);
    p.drawEllipse(QPointF(at.x() - 1.4 * r, at.y()), 1.6 * r, 0.35 * r);
    const QColor far = mix(body, ground, haze);
    const int lobes = rng.integer(3, 5);
    for (int k = 0; k < lobes; ++k) {
        p.setBrush(shade(far, rng.range(0.85, 1.0)));
        const double rx = r * rng.range(0.45, 0.8);
        p.drawEllipse(QPointF(at.x() + rng.range(-0.7, 0.7) * r, at.y() - r * rng.range(0.2, 0.55)),
                      rx, rx * rng.range(0.6, 0.85));
    }
    p.setBrush(mix(shade(far, 1.25), ground, 0.2));
    p.drawEllipse(QPointF(at.x() + 0.35 * r, at.y() - 0.7 * r), 0.4 * r, 0.25 * r);
}

} // namespace

QImage paintRockOutcrop(QSize size)
{
    Canvas canvas(size);
    QPainter& p = canvas.painter();
    Random rng(0x20C4);
    const double W = canvas.width();
    const double H = canvas.height();
    const double u = canvas.unit();
    const double horizon = 0.62 * H;

    // A clear late-afternoon sky, warm low on the right where the sun is going down out of frame.
    fillVertical(
        p, QRectF(0, 0, W, horizon + 2),
        {{0.0, hex(0x36679F)}, {0.45, hex(0x6F9CC4)}, {0.8, hex(0xB9C8CF)}, {1.0, hex(0xEED3AE)}});
    paintGlow(p, QPointF(1.05 * W, horizon), 0.7 * H, hex(0xFFD9A0, 0.45));
    // Two faint high streaks of cirrus, combed by the wind.
    for (int i = 0; i < 2; ++i) {
        QPainterPath wisp;
        const double y = (0.12 + 0.1 * i) * H;
        const double x = (0.35 + 0.3 * i) * W;
        wisp.moveTo(x - 0.22 * W, y + 0.03 * H);
        wisp.cubicTo(x - 0.08 * W, y - 0.01 * H, x + 0.08 * W, y + 0.01 * H, x + 0.2 * W,
                     y - 0.03 * H);
        p.drawImage(0, 0, softLayer(size, static_cast<int>(18 * u), [&](QPainter& l) {
                        l.strokePath(wisp, QPen(hex(0xFFF4E6, 0.35), 0.012 * H, Qt::SolidLine,
                                                Qt::RoundCap));
                    }));
    }

    // Distant mesas, pale and blue in the haze; nearer ones a little warmer and darker.
    const QPolygonF farRange = profileLine(-0.02 * W, 1.02 * W, 300, [&](double t) {
        const double a = smoothstep(0.5, 0.53, t) * smoothstep(0.7, 0.67, t) * 0.045;
        const double b = smoothstep(0.14, 0.18, t) * smoothstep(0.3, 0.27, t) * 0.02;
        return horizon - H * (0.006 + a + b + 0.003 * fbm1(static_cast<float>(t * 30), 0x20C6, 3));
    });
    p.drawImage(0, 0,
                softShape(size, areaBelow(farRange, H), static_cast<int>(2 * u), hex(0xB9B6C6)));
    const QPolygonF plainEdge = rollingLine(W, horizon + 0.012 * H, 0.004 * H, 5, 3.0);
    const QPainterPath plain = areaBelow(plainEdge, H);
    fillPathVertical(p, plain, horizon, H, hex(0xD7BE98), hex(0xB58C5A));
    // Broad patches of darker and paler ground, flattened by perspective.
    for (int i = 0; i < 26; ++i) {
        const double d = std::pow(rng.uniform(), 0.8);
        const double y = horizon + 0.02 * H + d * (H - horizon);
        QPainterPath patch;
        patch.addEllipse(QPointF(rng.uniform() * W, y), (0.08 + 0.25 * d) * W,
                         (0.006 + 0.04 * d) * H);
        p.drawImage(0, 0,
                    softShape(size, patch, static_cast<int>((8 + 30 * d) * u),
                              rng.chance(0.5) ? hex(0x9C7A50, 0.28) : hex(0xE8D3A8, 0.3)));
    }
    // A dry wash winding in from the foreground, pale sand between darker banks.
    QPainterPath wash;
    wash.moveTo(0.58 * W, H * 1.02);
    wash.cubicTo(0.66 * W, 0.88 * H, 0.52 * W, 0.76 * H, 0.63 * W, horizon + 0.03 * H);
    wash.cubicTo(0.53 * W, 0.76 * H, 0.6 * W, 0.88 * H, 0.46 * W, H * 1.02);
    p.drawImage(0, 0,
                softShape(size, wash.translated(-6 * u, 4 * u), static_cast<int>(6 * u),
                          hex(0x8E6B45, 0.35)));
    p.drawImage(0, 0, softShape(size, wash, static_cast<int>(4 * u), hex(0xE2D0AC, 0.6)));

    // The far butte on the right sits in more haze than the near one.
    const RockColors nearRock{hex(0xF2A46A), hex(0xC8764A), hex(0x6E3A3A),
                              hex(0x8A4A38), hex(0xDE9A68), hex(0x8E5444)};
    const QColor haze = hex(0xC9BCC0);
    const RockColors farRock{
        mix(nearRock.lit, haze, 0.35),      mix(nearRock.mid, haze, 0.4),
        mix(nearRock.shadow, haze, 0.45),   mix(nearRock.cap, haze, 0.42),
        mix(nearRock.talusLit, haze, 0.35), mix(nearRock.talusShadow, haze, 0.42)};
    const Butte far =
        makeButte(rng, 0.8 * W, 0.97 * W, 0.5 * H, 0.595 * H, 0.655 * H, 0.04 * W, 0.003 * H);
    const Butte near =
        makeButte(rng, 0.07 * W, 0.42 * W, 0.28 * H, 0.54 * H, 0.75 * H, 0.11 * W, 0.006 * H);
    // Long shadows thrown to the left across the plain.
    for (const Butte* b : {&far, &near}) {
        QPolygonF cast;
        const double len = (b->base - b->top) * 1.6;
        cast << QPointF(b->skirtLeft + 0.3 * (b->left - b->skirtLeft), b->base - 0.02 * H)
             << QPointF(b->left - len, b->base + 0.01 * H)
             << QPointF(b->left - len * 0.9, b->base + 0.04 * (b->base - horizon))
             << QPointF(b->right, b->base + 0.02 * H);
        p.drawImage(
            0, 0,
            softShape(size, polygonPath(cast), static_cast<int>(20 * u), hex(0x6A5060, 0.28)));
    }
    paintButte(p, rng, size, far, farRock, u);
    paintButte(p, rng, size, near, nearRock, u);
    // The scree runs out into the plain: blend its foot into the ground instead of a seam.
    for (const Butte* b : {&far, &near}) {
        const double t = (b->base - horizon) / (H - horizon);
        const QPolygonF toe =
            profileLine(b->skirtLeft - 0.02 * W, b->skirtRight + 0.02 * W, 60, [&](double k) {
                return b->base - 0.012 * H * t -
                       0.01 * H * t * fbm1(static_cast<float>(k * 9.0), 0x20C7, 2);
            });
        p.drawImage(0, 0,
                    softShape(size, areaBetween(toe, toe.translated(0, 0.05 * H * t)),
                              static_cast<int>(10 * u), mix(hex(0xD7BE98), hex(0xB58C5A), t)));
    }

    // Sage scattered in clumps over the plain, larger and clearer towards the viewer.
    p.setPen(Qt::NoPen);
    const quint32 clumps = rng.seed();
    for (int i = 0; i < 700; ++i) {
        const double d = std::pow(rng.uniform(), 0.7);
        const double y = horizon + 0.03 * H + d * 0.38 * H;
        const double x = rng.uniform() * W;
        if (fbm(static_cast<float>(x / (0.1 * W)), static_cast<float>(y / (0.05 * H)), clumps, 2) <
            0.56)
            continue;
        if (near.whole.contains(QPointF(x, y)) || far.whole.contains(QPointF(x, y)))
            continue;
        const double r = (3.0 + 30 * d * d) * u * rng.range(0.7, 1.3);
        paintShrub(p, rng, QPointF(x, y), r, mix(hex(0x6F7550), hex(0x9A9A62), rng.uniform()),
                   hex(0xCDB28A), 0.7 * (1 - d));
    }
    paintGrass(p, rng, QRectF(0.62 * W, 0.93 * H, 0.4 * W, 0.07 * H), 260, 0.02 * H, 0.045 * H,
               hex(0x9C8550), hex(0xD9C17E), 0.2);
    return finishIllustration(canvas.finish(), 0x20C4);
}

} // namespace tavlin::backdrops
