#include "Sky.h"

#include "Finish.h"
#include "Noise.h"
#include "Palette.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <functional>

namespace tavlin::backdrops {

void fillVertical(QPainter& p, const QRectF& rect, const QGradientStops& stops)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    g.setStops(stops);
    p.fillRect(rect, g);
}

void fillPathVertical(QPainter& p, const QPainterPath& path, double top, double bottom,
                      const QColor& upper, const QColor& lower)
{
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, upper);
    g.setColorAt(1, lower);
    p.fillPath(path, g);
}

void paintGlow(QPainter& p, QPointF centre, double radius, const QColor& color)
{
    QRadialGradient g(centre, radius);
    // A few stops shape the falloff closer to exponential than linear.
    const double a = color.alphaF();
    g.setColorAt(0.0, withAlpha(color, a));
    g.setColorAt(0.15, withAlpha(color, a * 0.7));
    g.setColorAt(0.4, withAlpha(color, a * 0.3));
    g.setColorAt(0.7, withAlpha(color, a * 0.08));
    g.setColorAt(1.0, withAlpha(color, 0.0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

void paintSun(QPainter& p, QPointF centre, double radius, const QColor& disc, const QColor& glow,
              double glowRadius)
{
    paintGlow(p, centre, glowRadius, glow);
    paintGlow(p, centre, radius * 2.2, withAlpha(glow, std::min(1.0, glow.alphaF() * 1.6)));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);
}

QPainterPath cumulusPath(Random& rng, QPointF base, double width, double height)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const int puffs = rng.integer(5, 8);
    for (int i = 0; i < puffs; ++i) {
        const double t = (i + 0.5) / puffs;
        // Tallest puffs in the middle, with a random lean so clouds are not symmetric.
        const double envelope =
            std::sin(3.14159 * std::clamp(t + rng.range(-0.1, 0.1), 0.05, 0.95));
        const double r = height * (0.35 + 0.45 * envelope) * rng.range(0.8, 1.15);
        const double cx = base.x() - width / 2 + width * t + rng.range(-0.04, 0.04) * width;
        const double cy = base.y() - r * rng.range(0.35, 0.75);
        path.addEllipse(QPointF(cx, cy), r * rng.range(1.0, 1.3), r);
    }
    path.addRoundedRect(
        QRectF(base.x() - width * 0.45, base.y() - height * 0.35, width * 0.9, height * 0.35),
        height * 0.17, height * 0.17);
    QPainterPath above;
    above.addRect(QRectF(base.x() - width, base.y() - height * 3, width * 2, height * 3));
    return path.simplified().intersected(above);
}

namespace {

// Draws with `draw` on a clear layer covering `box` (in the caller's coordinates), softens
// it and lays it down: vapour rather than cut-out shapes.
void paintSoftened(QPainter& p, const QRectF& box, int radius,
                   const std::function<void(QPainter&)>& draw)
{
    QImage layer(box.size().toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter c(&layer);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(Qt::NoPen);
        c.translate(-box.topLeft());
        draw(c);
    }
    p.drawImage(box.topLeft(), blurred(layer, radius));
}

} // namespace

void paintCumulus(QPainter& p, Random& rng, QPointF base, double width, double height,
                  const QColor& light, const QColor& shadow)
{
    // Painted on a small layer of its own and softened there, so the outline reads as vapour
    // rather than a cut-out; the lit side, the shaded base and a few torn wisps at the edges
    // come out different for every cloud.
    const QPainterPath shape = cumulusPath(rng, base, width, height);
    const double margin = height * 0.6;
    const QRectF box = shape.boundingRect().adjusted(-margin, -margin, margin, margin);
    paintSoftened(p, box, std::max(1, static_cast<int>(height * 0.06)), [&](QPainter& c) {
        c.fillPath(shape, shadow);
        c.setClipPath(shape);
        c.fillPath(
            shape.translated(-width * rng.range(0.01, 0.04), -height * rng.range(0.12, 0.22)),
            light);
        c.setClipping(false);
        for (int i = 0; i < 5; ++i) {
            const QPointF at(base.x() + rng.range(-0.55, 0.55) * width,
                             base.y() - rng.range(0.0, 0.5) * height);
            c.setBrush(withAlpha(mix(shadow, light, rng.uniform()), 0.45));
            c.drawEllipse(at, width * rng.range(0.05, 0.12), height * rng.range(0.1, 0.2));
        }
    });
}

QPainterPath stratusPath(Random& rng, QPointF centre, double width, double thickness)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const int pieces = rng.integer(4, 7);
    for (int i = 0; i < pieces; ++i) {
        const double t = (i + 0.5) / pieces;
        const double env = std::sin(3.14159 * t);
        const double len = width / pieces * rng.range(1.4, 2.2);
        const double th = thickness * (0.4 + 0.6 * env) * rng.range(0.7, 1.1);
        const double cx = centre.x() - width / 2 + width * t;
        const double cy = centre.y() + rng.range(-0.3, 0.3) * thickness;
        path.addEllipse(QPointF(cx, cy), len / 2, th / 2);
    }
    return path.simplified();
}

void paintStratus(QPainter& p, Random& rng, QPointF centre, double width, double thickness,
                  const QColor& color)
{
    const QPainterPath shape = stratusPath(rng, centre, width, thickness * 1.6);
    const double margin = thickness * 3.0;
    const QRectF box = shape.boundingRect().adjusted(-margin, -margin, margin, margin);
    paintSoftened(p, box, std::max(1, static_cast<int>(thickness * 0.7)),
                  [&](QPainter& c) { c.fillPath(shape, color); });
}

void paintFlatCumulus(QPainter& p, Random& rng, QPointF base, double width, double height,
                      const QColor& light, const QColor& shadow)
{
    const QPainterPath shape = cumulusPath(rng, base, width, height);
    p.save();
    p.fillPath(shape, shadow);
    p.setClipPath(shape);
    // The lit face, then a narrow band of half tone where it turns into the shaded base.
    const QPointF lift(-width * rng.range(0.01, 0.04), -height * rng.range(0.14, 0.22));
    p.fillPath(shape.translated(lift * 0.6), mix(shadow, light, 0.55));
    p.fillPath(shape.translated(lift), light);
    p.restore();
}

void paintFlatStratus(QPainter& p, Random& rng, QPointF centre, double width, double thickness,
                      const QColor& color)
{
    p.fillPath(stratusPath(rng, centre, width, thickness * 1.2), color);
}

void paintStars(QPainter& p, Random& rng, const QRectF& area, int count, double unit,
                const QColor& tint, const std::function<double(QPointF)>& density)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF pos(area.left() + rng.uniform() * area.width(),
                          area.top() + rng.uniform() * area.height());
        const double keep = density ? density(pos) : 1.0;
        const double roll = rng.uniform();
        const double size = rng.uniform();
        const double twinkle = rng.uniform();
        if (roll > keep)
            continue;
        // Magnitudes skew small: most stars are pinpricks, a few are bright.
        const double mag = std::pow(size, 6.0);
        const double r = unit * (0.7 + 2.4 * mag);
        const double alpha = 0.35 + 0.65 * std::min(1.0, 0.3 + mag * 2 + twinkle * 0.4);
        if (mag > 0.35)
            paintGlow(p, pos, r * 7, withAlpha(tint, 0.25 * mag));
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(tint, alpha));
        p.drawEllipse(pos, r, r);
    }
    p.restore();
}

Field auroraIntensity(QSize size, quint32 seed, const AuroraShape& shape, Field* heightFraction)
{
    const int w = size.width();
    const int h = size.height();
    std::vector<double> hem(static_cast<size_t>(w));
    std::vector<double> rays(static_cast<size_t>(w * 3));
    for (int x = 0; x < w; ++x) {
        const double fx = x / static_cast<double>(w);
        // A slow fold plus noise; plain fbm stays too close to its mean to drape well.
        const double fold = std::sin(fx * 6.2832 * 1.2 + (seed % 100) * 0.1);
        const double wander = 3.0 * (fbm1(static_cast<float>(fx * 3.0), seed, 3) - 0.5);
        hem[static_cast<size_t>(x)] = shape.baseY + shape.sway * (0.6 * fold + 0.6 * wander);
    }
    // Rays are sampled over a wider strip because slanting pulls them sideways.
    for (int i = 0; i < w * 3; ++i) {
        const double fx = (i - w) / static_cast<double>(w);
        const double fine = fbm1(static_cast<float>(fx * 90.0), seed + 11, 3, 0.55f);
        const double broad = fbm1(static_cast<float>(fx * 7.0), seed + 23, 2);
        rays[static_cast<size_t>(i)] =
            std::clamp(0.15 + 1.3 * std::pow(fine, 2.0) * (0.4 + broad), 0.0, 1.2);
    }
    Field out(w, h);
    if (heightFraction)
        *heightFraction = Field(w, h);
    for (int y = 0; y < h; ++y) {
        float* o = out.row(y);
        float* hf = heightFraction ? heightFraction->row(y) : nullptr;
        for (int x = 0; x < w; ++x) {
            const double base = hem[static_cast<size_t>(x)];
            const double up = (base - y) / shape.rayHeight;
            double v = 0.0;
            if (up >= 0.0) {
                const int rx = std::clamp(
                    static_cast<int>(x + w + up * shape.rayHeight * shape.slant), 0, 3 * w - 1);
                v = std::exp(-up * 2.2) * (0.25 + 0.75 * rays[static_cast<size_t>(rx)]);
                v *= smoothstep(1.3, 0.6, up);
            } else {
                const double below = -up * shape.rayHeight / (h * 0.012);
                const int rx = std::clamp(x + w, 0, 3 * w - 1);
                v = std::exp(-below * below) * (0.25 + 0.75 * rays[static_cast<size_t>(rx)]);
            }
            o[x] = static_cast<float>(std::clamp(v * shape.strength, 0.0, 1.0));
            if (hf)
                hf[x] = static_cast<float>(clamp01(up));
        }
    }
    return out;
}

void addAurora(QImage& image, const Field& intensity, const Field& heightFraction,
               const QColor& low, const QColor& high)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const float* in = intensity.row(y);
        const float* hf = heightFraction.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const double v = in[x];
            if (v <= 0.002)
                continue;
            const double t = smoothstep(0.05, 0.8, hf[x]);
            const double r = low.redF() + (high.redF() - low.redF()) * t;
            const double g = low.greenF() + (high.greenF() - low.greenF()) * t;
            const double b = low.blueF() + (high.blueF() - low.blueF()) * t;
            const QRgb px = line[x];
            // Screen blend: bright curtains never clip harshly against the sky.
            auto screen = [v](int c, double add) {
                const double a = c / 255.0;
                const double s = 1.0 - (1.0 - a) * (1.0 - add * v);
                return static_cast<int>(std::lround(std::clamp(s, 0.0, 1.0) * 255.0));
            };
            line[x] = qRgba(screen(qRed(px), r), screen(qGreen(px), g), screen(qBlue(px), b), 255);
        }
    }
}

QPainterPath birdSilhouette(QPointF c, double s)
{
    QPainterPath bird;
    bird.moveTo(c + QPointF(-s, -s * 0.3));
    bird.quadTo(c + QPointF(-s * 0.4, -s * 0.7), c);
    bird.quadTo(c + QPointF(s * 0.4, -s * 0.7), c + QPointF(s, -s * 0.3));
    bird.quadTo(c + QPointF(s * 0.4, -s * 0.45), c + QPointF(0, s * 0.2));
    bird.quadTo(c + QPointF(-s * 0.4, -s * 0.45), c + QPointF(-s, -s * 0.3));
    return bird;
}

} // namespace tavlin::backdrops
