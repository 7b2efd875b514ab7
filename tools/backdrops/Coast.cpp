#include "Coast.h"

#include "Finish.h"
#include "Noise.h"
#include "Palette.h"
#include "Sky.h"
#include "Terrain.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

QPointF along(const QPolygonF& line, double t)
{
    const double f = std::clamp(t, 0.0, 1.0) * (line.size() - 1);
    const int i = std::min(static_cast<int>(f), static_cast<int>(line.size()) - 2);
    return line[i] + (line[i + 1] - line[i]) * (f - i);
}

// Lit rock darkening downwards; leaves the painter clipped to the face.
QRectF beginFace(QPainter& p, const QPolygonF& top, const QPolygonF& foot,
                 const CliffColors& colors)
{
    const QPainterPath face = areaBetween(top, foot);
    const QRectF box = face.boundingRect();
    p.save();
    p.setPen(Qt::NoPen);
    fillPathVertical(p, face, box.top(), box.bottom(), colors.lit, colors.shade);
    p.setClipPath(face, Qt::IntersectClip);
    return box;
}

} // namespace

void paintCliffFace(QPainter& p, Random& rng, const QPolygonF& top, const QPolygonF& foot,
                    const CliffColors& colors, double unit)
{
    const QRectF box = beginFace(p, top, foot, colors);
    // Clefts: narrow wedges from the top edge down the fall line, wandering as they go; beside
    // each a lighter rib where the rock stands proud and catches the light.
    const int clefts = std::max(4, static_cast<int>(box.width() / (60.0 * unit)));
    const quint32 seed = rng.seed();
    for (int i = 0; i < clefts; ++i) {
        const double t = (i + rng.uniform()) / clefts;
        const QPointF a = along(top, t);
        const QPointF b = along(foot, t + rng.range(-0.02, 0.02));
        const double wdt = rng.range(6.0, 22.0) * unit;
        QPolygonF left;
        QPolygonF right;
        for (int k = 0; k <= 16; ++k) {
            const double s = k / 16.0;
            const QPointF c = a + (b - a) * s;
            const double wander =
                (fbm1(static_cast<float>(s * 2.5 + i * 1.7), seed, 3) - 0.5) * 90.0 * unit;
            const double half = wdt * (0.2 + 0.8 * std::sin(3.14159 * std::min(1.0, s * 1.2))) *
                                (0.6 + 0.8 * fbm1(static_cast<float>(s * 6.0 + i), seed + 1, 2));
            left << c + QPointF(wander - half, 0);
            right << c + QPointF(wander + half, 0);
        }
        const QPainterPath path = areaBetween(left, right);
        p.fillPath(path.translated(-wdt * 1.6, 0), withAlpha(colors.lit, rng.range(0.2, 0.4)));
        p.fillPath(path, withAlpha(colors.gully, rng.range(0.25, 0.55)));
    }
    // Bedding: a few faint lines that follow the top edge as they go down.
    p.setPen(QPen(withAlpha(colors.gully, 0.18), 2.0 * unit));
    for (int k = 1; k < 6; ++k) {
        QPolygonF bed;
        const double s = k / 6.0 + rng.range(-0.03, 0.03);
        for (int i = 0; i < top.size(); ++i) {
            const QPointF b = along(foot, static_cast<double>(i) / (top.size() - 1));
            bed << top[i] + (b - top[i]) * s;
        }
        p.drawPolyline(bed);
    }
    p.setPen(Qt::NoPen);
    // The wet band and the shadow of the overhang at the foot.
    p.fillPath(areaBetween(foot, foot.translated(0, -10.0 * unit)), colors.wet);
    p.restore();
}

void paintStrataFace(QPainter& p, Random& rng, const QPolygonF& top, const QPolygonF& foot,
                     const CliffColors& colors, double unit)
{
    const QRectF box = beginFace(p, top, foot, colors);
    // Marks go on a layer that is blurred before it lands, so beds and buttresses have soft,
    // broken edges: layered rock seen from across a bay, not boards.
    const QRect area = box.toAlignedRect();
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter l(&layer);
    l.setRenderHint(QPainter::Antialiasing);
    l.setPen(Qt::NoPen);
    l.translate(-area.topLeft());
    const quint32 seed = rng.seed();
    // Runnels worn down the fall line from the top edge, of uneven length and fading out as
    // they go, each with a lit rib on its sunward right.
    const int runnels = std::max(6, static_cast<int>(box.width() / (45.0 * unit)));
    for (int i = 0; i < runnels; ++i) {
        const double t = (i + rng.uniform()) / runnels;
        const QPointF a = along(top, t);
        const double reach = rng.range(0.25, 0.9) * (box.bottom() - a.y());
        const double wdt = rng.range(4.0, 14.0) * unit;
        QPolygonF left;
        QPolygonF right;
        for (int k = 0; k <= 12; ++k) {
            const double f = k / 12.0;
            const double wander =
                (fbm1(static_cast<float>(f * 2.0 + i * 1.3), seed, 2) - 0.5) * 50.0 * unit;
            const double half =
                wdt * (1.0 - f) * (0.6 + 0.6 * fbm1(static_cast<float>(f * 5.0 + i), seed + 4, 2));
            left << a + QPointF(wander - half, f * reach);
            right << a + QPointF(wander + half, f * reach);
        }
        const QPainterPath runnel = areaBetween(left, right);
        l.fillPath(runnel.translated(wdt * 1.4, 0), withAlpha(colors.lit, rng.range(0.15, 0.3)));
        l.fillPath(runnel, withAlpha(colors.gully, rng.range(0.2, 0.4)));
    }
    // Beds of uneven thickness that come and go along the face: harder ones stand out lighter
    // with a shadow under their lip, softer ones are worn back and darker.
    const int samples = 48;
    double y = box.top() + rng.range(10.0, 30.0) * unit;
    for (int bed = 0; y < box.bottom(); ++bed) {
        const double thick = rng.range(6.0, 30.0) * unit;
        QPolygonF upper;
        QPolygonF lower;
        for (int i = 0; i <= samples; ++i) {
            const double s = static_cast<double>(i) / samples;
            const double x = box.left() + s * box.width();
            const double wave =
                (fbm1(static_cast<float>(s * 4.0 + bed * 0.7), seed + 1, 2) - 0.5) * 12.0 * unit;
            upper << QPointF(x, y + wave + 0.03 * s * box.height());
            lower << QPointF(
                x, y + thick * (0.7 + 0.6 * fbm1(static_cast<float>(s * 6.0 + bed), seed + 2, 2)) +
                       wave + 0.03 * s * box.height());
        }
        // Where a bed shows is itself uneven, so no line runs the whole width.
        QLinearGradient fade(box.left(), 0, box.right(), 0);
        for (int k = 0; k <= 8; ++k) {
            const double v = fbm1(static_cast<float>(k * 0.9 + bed * 3.1), seed + 3, 2);
            const double a = smoothstep(0.35, 0.7, v);
            const bool hard = bed % 2 == 0;
            fade.setColorAt(k / 8.0,
                            withAlpha(hard ? colors.lit : colors.gully, a * (hard ? 0.4 : 0.3)));
        }
        l.fillPath(areaBetween(upper, lower), fade);
        if (bed % 2 == 0)
            l.fillPath(areaBetween(lower, lower.translated(0, 5.0 * unit)),
                       withAlpha(colors.gully, 0.3));
        y += thick + rng.range(0.0, 10.0) * unit;
    }
    l.end();
    p.drawImage(area.topLeft(), blurred(layer, std::max(1, static_cast<int>(3.0 * unit))));
    p.fillPath(areaBetween(foot, foot.translated(0, -10.0 * unit)), colors.wet);
    p.restore();
}

void paintSurf(QPainter& p, Random& rng, const QPolygonF& waterline, QPointF seaward, double unit,
               double strength)
{
    p.save();
    const int n = static_cast<int>(waterline.size());
    // Each line is drawn a segment at a time so its opacity can swell and fade along it.
    auto line = [&](const QPolygonF& pts, double width, double alpha, double from, double to) {
        for (int i = 0; i + 1 < pts.size(); ++i) {
            const double t = static_cast<double>(i) / (pts.size() - 1);
            if (t < from || t > to)
                continue;
            const double fade = std::sin(3.14159 * (t - from) / (to - from));
            p.setPen(
                QPen(hex(0xFFFFFF, alpha * fade * strength), width, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(pts[i], pts[i + 1]);
        }
    };
    line(waterline, 9.0 * unit, 0.35, 0.0, 1.0);
    line(waterline, 3.5 * unit, 0.8, 0.02, 0.98);
    for (int k = 1; k <= 3; ++k) {
        QPolygonF out;
        const double off = k * 14.0 * unit;
        for (int i = 0; i < n; ++i)
            out << waterline[i] + seaward * off * (1.0 + 0.3 * std::sin(i * 0.15 + k));
        const double from = rng.range(0.0, 0.3);
        const double to = rng.range(0.6, 1.0);
        line(out, (3.0 - 0.5 * k) * unit, 0.35 - 0.08 * k, from, to);
    }
    p.restore();
}

} // namespace tavlin::backdrops
