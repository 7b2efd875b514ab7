#include "BrushPainter.h"

#include "Finish.h"
#include "Noise.h"
#include "Palette.h"
#include "Random.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

double colorDistance(QRgb a, QRgb b)
{
    const double dr = qRed(a) - qRed(b);
    const double dg = qGreen(a) - qGreen(b);
    const double db = qBlue(a) - qBlue(b);
    return std::sqrt(dr * dr + dg * dg + db * db) / 441.7;
}

QRgb pixelAt(const QImage& image, double x, double y)
{
    const int ix = std::clamp(static_cast<int>(x), 0, image.width() - 1);
    const int iy = std::clamp(static_cast<int>(y), 0, image.height() - 1);
    return reinterpret_cast<const QRgb*>(image.constScanLine(iy))[ix];
}

QColor jittered(Random& rng, QRgb base, double amount)
{
    QColor c = QColor::fromRgb(base).toHsv();
    const double h = c.hueF() < 0 ? 0.0 : c.hueF();
    const double hue = std::fmod(h + rng.range(-1, 1) * amount * 0.025 + 1.0, 1.0);
    const double sat = clamp01(c.saturationF() + rng.range(-1, 1) * amount * 0.12);
    const double val = clamp01(c.valueF() + rng.range(-1, 1) * amount * 0.11);
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(sat),
                            static_cast<float>(val));
}

QPointF normalAt(const QPolygonF& line, int i)
{
    const QPointF a = line[std::max(0, i - 1)];
    const QPointF b = line[std::min(static_cast<int>(line.size()) - 1, i + 1)];
    const QPointF t = b - a;
    const double len = std::max(1e-9, std::hypot(t.x(), t.y()));
    return {-t.y() / len, t.x() / len};
}

// How much paint the brush lays at each point of a stroke, as a share of its width: it lands
// with a blunt touch, swells under pressure and lifts off to a point, and the pressure wavers
// a little on the way. A stroke of even width with round ends reads as a filter.
std::vector<double> pressureProfile(Random& rng, int points)
{
    std::vector<double> profile(static_cast<size_t>(points));
    const double land = rng.range(0.35, 0.6);
    const double lift = rng.range(0.05, 0.2);
    const double peakAt = rng.range(0.2, 0.45);
    const double waver = rng.range(0.0, 0.12);
    const double phase = rng.range(0.0, 6.28);
    for (int i = 0; i < points; ++i) {
        const double s = points > 1 ? static_cast<double>(i) / (points - 1) : 0.5;
        const double rise = s < peakAt ? land + (1.0 - land) * std::sqrt(s / peakAt) : 1.0;
        const double fall =
            1.0 - (1.0 - lift) * std::pow(std::max(0.0, (s - peakAt) / (1.0 - peakAt)), 2.2);
        profile[static_cast<size_t>(i)] =
            std::min(rise, fall) * (1.0 + waver * std::sin(s * 9.0 + phase));
    }
    return profile;
}

// The filled shape of a stroke along `line` whose half-width at each point is
// `width / 2 * profile[i]`; the start gets a rounded heel, the end its lifted point.
QPolygonF strokeOutline(const QPolygonF& line, const std::vector<double>& profile, double width)
{
    QPolygonF left;
    QPolygonF right;
    for (int i = 0; i < line.size(); ++i) {
        const QPointF n = normalAt(line, i) * (width * 0.5 * profile[static_cast<size_t>(i)]);
        left << line[i] + n;
        right << line[i] - n;
    }
    QPolygonF out;
    const QPointF n0 = normalAt(line, 0);
    const QPointF back(n0.y(), -n0.x());
    const double r0 = width * 0.5 * profile.front();
    for (int k = 5; k >= 1; --k) {
        const double a = 3.14159265 * k / 6.0;
        out << line[0] + (n0 * std::cos(a) + back * std::sin(a)) * r0;
    }
    out += left;
    for (auto it = right.crbegin(); it != right.crend(); ++it)
        out << *it;
    return out;
}

// A bristle streak: the stroke's centre line moved sideways by a share of the local width.
QPolygonF streakLine(const QPolygonF& line, const std::vector<double>& profile, double offset)
{
    QPolygonF out;
    out.reserve(line.size());
    for (int i = 0; i < line.size(); ++i)
        out << line[i] + normalAt(line, i) * (offset * profile[static_cast<size_t>(i)]);
    return out;
}

} // namespace

BrushPainter::BrushPainter(const QImage& source, quint32 seed)
    : m_source(source.convertToFormat(QImage::Format_RGB32)), m_seed(seed),
      m_unit(source.height() / 1600.0), m_flowStep(std::max(1, static_cast<int>(4 * m_unit)))
{
    // Edge directions come from a smoothed structure tensor on a reduced copy: strokes should
    // follow the big shapes, not every fleck.
    const QImage small =
        m_source.scaledToWidth(m_source.width() / m_flowStep, Qt::SmoothTransformation);
    Field lum(small.width(), small.height());
    for (int y = 0; y < small.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(small.constScanLine(y));
        for (int x = 0; x < small.width(); ++x)
            lum.at(x, y) = static_cast<float>(qGray(line[x]) / 255.0);
    }
    lum.blur(2, 2);
    m_tensorXX = Field(lum.width(), lum.height());
    m_tensorXY = Field(lum.width(), lum.height());
    m_tensorYY = Field(lum.width(), lum.height());
    for (int y = 1; y < lum.height() - 1; ++y) {
        for (int x = 1; x < lum.width() - 1; ++x) {
            const float gx = lum.at(x + 1, y) - lum.at(x - 1, y);
            const float gy = lum.at(x, y + 1) - lum.at(x, y - 1);
            m_tensorXX.at(x, y) = gx * gx;
            m_tensorXY.at(x, y) = gx * gy;
            m_tensorYY.at(x, y) = gy * gy;
        }
    }
    m_tensorXX.blur(5);
    m_tensorXY.blur(5);
    m_tensorYY.blur(5);
}

BrushPainter::Flow BrushPainter::flowField(const Style& style) const
{
    Flow flow{Field(m_tensorXX.width(), m_tensorXX.height()),
              Field(m_tensorXX.width(), m_tensorXX.height())};
    for (int y = 0; y < m_tensorXX.height(); ++y) {
        for (int x = 0; x < m_tensorXX.width(); ++x) {
            const double xx = m_tensorXX.at(x, y);
            const double xy = m_tensorXY.at(x, y);
            const double yy = m_tensorYY.at(x, y);
            // The tensor's dominant direction is across the edge; strokes run along it.
            const double strength = std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy);
            const double edgeAngle = 0.5 * std::atan2(2 * xy, xx - yy) + 1.5707963;
            const double px = x * m_flowStep;
            const double py = y * m_flowStep;
            const double rest =
                (style.restAngleAt ? style.restAngleAt(QPointF(px, py)) : style.restAngle) +
                style.restWander *
                    (2.0 * fbm(static_cast<float>(px / (300 * m_unit)),
                               static_cast<float>(py / (300 * m_unit)), m_seed + 77, 2) -
                     1.0);
            const double pulled = strength * style.edgeFollow;
            const double weight = pulled / (pulled + 2e-4);
            flow.cos2.at(x, y) = static_cast<float>(std::cos(2 * edgeAngle) * weight +
                                                    std::cos(2 * rest) * (1 - weight));
            flow.sin2.at(x, y) = static_cast<float>(std::sin(2 * edgeAngle) * weight +
                                                    std::sin(2 * rest) * (1 - weight));
        }
    }
    return flow;
}

QPointF BrushPainter::flowAt(const Flow& flow, double x, double y) const
{
    const float fx = static_cast<float>(x / m_flowStep);
    const float fy = static_cast<float>(y / m_flowStep);
    const double c = flow.cos2.sample(fx, fy);
    const double s = flow.sin2.sample(fx, fy);
    const double len = std::sqrt(c * c + s * s);
    if (len < 1e-9)
        return {1.0, 0.0};
    // Half-angle from the doubled angle.
    const double c2 = c / len;
    return {std::sqrt(std::max(0.0, (1 + c2) / 2)),
            std::copysign(std::sqrt(std::max(0.0, (1 - c2) / 2)), s)};
}

QImage BrushPainter::paint(const Style& style) const
{
    const int w = m_source.width();
    const int h = m_source.height();
    Random rng(m_seed);
    // A lightly softened underpainting: where strokes stop short of an edge it shows through,
    // and a heavier blur there would leave halos. A crisp style keeps it sharp.
    QImage canvas = style.crisp ? m_source
                                : blurred(m_source, std::max(1, static_cast<int>(3 * m_unit)))
                                      .convertToFormat(QImage::Format_RGB32);
    QImage relief;
    if (style.impasto > 0.0) {
        relief = QImage(m_source.size(), QImage::Format_RGB32);
        relief.fill(QColor(128, 128, 128));
    }
    QPainter paint(&canvas);
    paint.setRenderHint(QPainter::Antialiasing);
    QPainter carve;
    // The relief is blurred before it is lit, so it can skip antialiasing.
    if (!relief.isNull())
        carve.begin(&relief);

    const Flow flow = flowField(style);
    // Edge strength, 0 in plain areas and near 1 on the strongest edges.
    const auto detailAt = [&](double x, double y) {
        const float fx = static_cast<float>(x / m_flowStep);
        const float fy = static_cast<float>(y / m_flowStep);
        const double xx = m_tensorXX.sample(fx, fy);
        const double xy = m_tensorXY.sample(fx, fy);
        const double yy = m_tensorYY.sample(fx, fy);
        const double strength = std::sqrt((xx - yy) * (xx - yy) + 4 * xy * xy) + 0.5 * (xx + yy);
        return strength / (strength + 4e-4);
    };
    for (const Pass& pass : style.passes) {
        const QImage reference =
            style.crisp
                ? m_source
                : blurred(m_source, std::max(1, static_cast<int>(pass.width * m_unit * 0.25)));
        const double bw = std::max(1.0, pass.width * m_unit);
        const double spacing = std::max(1.0, bw * pass.spacing);
        std::vector<QPointF> seeds;
        for (double y = 0; y < h; y += spacing)
            for (double x = 0; x < w; x += spacing)
                seeds.emplace_back(x + rng.uniform() * spacing, y + rng.uniform() * spacing);
        for (size_t i = seeds.size(); i > 1; --i)
            std::swap(seeds[i - 1], seeds[static_cast<size_t>(rng.uniform() * i)]);

        for (const QPointF& start : seeds) {
            const QRgb want = pixelAt(reference, start.x(), start.y());
            if (pass.onlyOver > 0.0 &&
                colorDistance(pixelAt(canvas, start.x(), start.y()), want) < pass.onlyOver)
                continue;
            // Trace both ways along the flow until the colour under the brush changes; most
            // strokes are short touches, a few are long sweeps.
            const double maxHalf = bw * pass.length * (0.15 + 0.5 * std::pow(rng.uniform(), 0.8)) *
                                   (style.lengthAt ? style.lengthAt(start) : 1.0);
            const double step = bw * 0.5;
            QPolygonF halves[2];
            for (int side = 0; side < 2; ++side) {
                QPointF pos = start;
                QPointF dir = flowAt(flow, start.x(), start.y()) * (side == 0 ? 1.0 : -1.0);
                for (double travelled = 0; travelled < maxHalf; travelled += step) {
                    QPointF next = flowAt(flow, pos.x(), pos.y());
                    if (next.x() * dir.x() + next.y() * dir.y() < 0)
                        next = -next;
                    dir = next;
                    const QPointF ahead = pos + dir * step;
                    if (colorDistance(pixelAt(reference, ahead.x(), ahead.y()), want) >
                        style.edgeStop)
                        break;
                    pos = ahead;
                    halves[side] << pos;
                }
            }
            QPolygonF path;
            for (auto it = halves[1].crbegin(); it != halves[1].crend(); ++it)
                path << *it;
            path << start;
            path += halves[0];
            if (path.size() < 2)
                path << start + QPointF(0.5, 0.0);
            // Strokes run in a random one of their two directions, so heels and lifted tips
            // do not all line up.
            if (rng.chance(0.5))
                std::reverse(path.begin(), path.end());

            const QColor c =
                jittered(rng, want, pass.jitter * (style.jitterAt ? style.jitterAt(start) : 1.0));
            // Broad where the picture is plain, narrower where it has detail.
            const double detail = detailAt(start.x(), start.y());
            const double width = bw * rng.range(0.7, 1.25) * (1.2 - 0.55 * detail);
            const std::vector<double> profile = pressureProfile(rng, static_cast<int>(path.size()));
            const QPolygonF outline = strokeOutline(path, profile, width);
            paint.setPen(Qt::NoPen);
            paint.setBrush(withAlpha(c, pass.alpha));
            paint.drawPolygon(outline);
            if (carve.isActive()) {
                const int g = rng.integer(90, 170);
                carve.setPen(Qt::NoPen);
                carve.setBrush(QColor(g, g, g));
                carve.drawPolygon(outline);
            }
            // Bristle marks: thin streaks along the stroke, a shade lighter or darker, that
            // narrow with it.
            for (int b = 0; b < style.bristles; ++b) {
                const double offset = ((b + rng.uniform()) / style.bristles - 0.5) * width * 0.8;
                const QPolygonF streak = streakLine(path, profile, offset);
                const double tone = rng.range(-1.0, 1.0);
                const double thin = std::max(0.6, width / (style.bristles * 1.6));
                paint.setBrush(Qt::NoBrush);
                paint.setPen(
                    QPen(withAlpha(shade(c, 1.0 + tone * style.bristleContrast), pass.alpha * 0.6),
                         thin, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
                paint.drawPolyline(streak);
                if (carve.isActive()) {
                    const int g = std::clamp(static_cast<int>(128 + tone * 70), 0, 255);
                    carve.setBrush(Qt::NoBrush);
                    carve.setPen(QPen(QColor(g, g, g, 150), thin, Qt::SolidLine, Qt::FlatCap,
                                      Qt::BevelJoin));
                    carve.drawPolyline(streak);
                }
            }
        }
    }
    paint.end();
    if (carve.isActive())
        carve.end();
    if (relief.isNull())
        return canvas;

    // Light the relief from the upper left.
    Field height = Field::fromImage(relief.convertToFormat(QImage::Format_ARGB32_Premultiplied), 2);
    height.blur(std::max(1, static_cast<int>(m_unit)), 1);
    const double weavePeriod = std::max(3.0, 5.0 * m_unit);
    const double depth = 3.0 / std::max(1.0, m_unit);
    for (int y = 1; y < h - 1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 1; x < w - 1; ++x) {
            double gx = height.at(x + 1, y) - height.at(x - 1, y);
            double gy = height.at(x, y + 1) - height.at(x, y - 1);
            if (style.weave > 0.0) {
                gx += style.weave * std::cos(x * 6.2832 / weavePeriod) *
                      std::sin(y * 6.2832 / weavePeriod) * 0.05;
                gy += style.weave * std::sin(x * 6.2832 / weavePeriod) *
                      std::cos(y * 6.2832 / weavePeriod) * 0.05;
            }
            const double facing = -(gx + gy) * 0.7071 * depth;
            const double light = 1.0 + style.impasto * std::clamp(facing, -0.6, 0.6);
            const double gloss = style.impasto * 70.0 * std::pow(std::max(0.0, facing - 0.12), 2.0);
            const QRgb px = line[x];
            auto channel = [&](int v) {
                return static_cast<int>(std::clamp(std::lround(v * light + gloss), 0L, 255L));
            };
            line[x] = qRgb(channel(qRed(px)), channel(qGreen(px)), channel(qBlue(px)));
        }
    }
    return canvas;
}

} // namespace tavlin::backdrops
