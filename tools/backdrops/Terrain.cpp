#include "Terrain.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

std::vector<double> fractalProfile(Random& rng, int levels, double roughness)
{
    const int n = 1 << levels;
    std::vector<double> v(static_cast<size_t>(n + 1), 0.0);
    v[0] = rng.range(-0.5, 0.5);
    v[static_cast<size_t>(n)] = rng.range(-0.5, 0.5);
    double amp = 1.0;
    const double decay = std::pow(2.0, -roughness);
    for (int step = n; step > 1; step /= 2) {
        const int half = step / 2;
        for (int i = half; i < n; i += step) {
            const double mid =
                0.5 * (v[static_cast<size_t>(i - half)] + v[static_cast<size_t>(i + half)]);
            v[static_cast<size_t>(i)] = mid + rng.range(-1.0, 1.0) * amp;
        }
        amp *= decay;
    }
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    const double span = std::max(1e-9, *hi - *lo);
    const double centre = 0.5 * (*hi + *lo);
    for (double& x : v)
        x = 2.0 * (x - centre) / span;
    return v;
}

QPolygonF profileLine(double left, double right, int samples,
                      const std::function<double(double)>& yAt)
{
    QPolygonF line;
    line.reserve(samples + 1);
    for (int i = 0; i <= samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        line << QPointF(left + (right - left) * t, yAt(t));
    }
    return line;
}

QPolygonF mountainRidge(Random& rng, double width, double baseY, double amplitude,
                        const std::function<double(double)>& envelope, double detail,
                        double roughness, int levels)
{
    const std::vector<double> crag = fractalProfile(rng, levels, roughness);
    const int n = static_cast<int>(crag.size()) - 1;
    // A little overscan keeps the ends of the ridge off-screen.
    const double margin = width * 0.02;
    return profileLine(-margin, width + margin, n, [&](double t) {
        const double c = crag[static_cast<size_t>(std::lround(t * n))];
        return baseY - amplitude * envelope(t) - detail * c;
    });
}

QPolygonF rollingLine(double width, double baseY, double amplitude, quint32 seed, double waves,
                      int samples)
{
    const double margin = width * 0.02;
    return profileLine(-margin, width + margin, samples, [&](double t) {
        const double n = fbm1(static_cast<float>(t * waves), seed, 3, 0.4f);
        return baseY - amplitude * (2.0 * n - 1.0);
    });
}

QPainterPath areaBelow(const QPolygonF& line, double bottom)
{
    QPolygonF poly = line;
    poly << QPointF(line.last().x(), bottom) << QPointF(line.first().x(), bottom);
    QPainterPath path;
    // Winding fill, so trees or houses added to the same path join it instead of cutting holes.
    path.setFillRule(Qt::WindingFill);
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

QPainterPath areaBetween(const QPolygonF& a, const QPolygonF& b)
{
    QPolygonF poly = a;
    for (auto it = b.crbegin(); it != b.crend(); ++it)
        poly << *it;
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

double lineY(const QPolygonF& line, double x)
{
    if (x <= line.first().x())
        return line.first().y();
    for (int i = 1; i < line.size(); ++i) {
        if (line[i].x() >= x) {
            const double t = (x - line[i - 1].x()) / std::max(1e-9, line[i].x() - line[i - 1].x());
            return line[i - 1].y() + (line[i].y() - line[i - 1].y()) * t;
        }
    }
    return line.last().y();
}

QPainterPath ridgeShadows(const QPolygonF& ridge, double bottom, Random& rng, bool lightFromLeft)
{
    QPolygonF line = ridge;
    // Walking the ridge backwards puts the valley after each peak on its left.
    if (!lightFromLeft)
        std::reverse(line.begin(), line.end());
    const int n = static_cast<int>(line.size());
    const int window = std::max(2, n / 28);
    std::vector<int> peaks;
    for (int i = window; i < n - 1; ++i) {
        bool isPeak = true;
        for (int j = std::max(0, i - window); j <= std::min(n - 1, i + window) && isPeak; ++j)
            isPeak = line[j].y() >= line[i].y();
        if (isPeak && (peaks.empty() || i - peaks.back() > window))
            peaks.push_back(i);
    }
    QPainterPath shadows;
    shadows.setFillRule(Qt::WindingFill);
    for (size_t k = 0; k < peaks.size(); ++k) {
        const int ip = peaks[k];
        const int limit = k + 1 < peaks.size() ? peaks[k + 1] : n - 1;
        int iv = ip;
        for (int i = ip; i <= limit; ++i)
            if (line[i].y() > line[iv].y())
                iv = i;
        if (iv - ip < 2)
            continue;
        const QPointF peak = line[ip];
        const QPointF valley = line[iv];
        const double depth = bottom - peak.y();
        const QPointF foot(peak.x() + (valley.x() - peak.x()) * rng.range(0.15, 0.45), bottom);
        QPolygonF poly;
        for (int i = ip; i <= iv; ++i)
            poly << line[i];
        poly << QPointF(valley.x(), bottom) << foot;
        // The spine zigzags on its way back up to the peak.
        const int steps = 14;
        for (int s = 1; s < steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const double x = foot.x() + (peak.x() - foot.x()) * t;
            const double y = foot.y() + (peak.y() - foot.y()) * t;
            const double jag = rng.range(-1.0, 1.0) * depth * 0.03 * (1.0 - t * 0.6);
            poly << QPointF(x + jag, y);
        }
        shadows.addPolygon(poly);
        shadows.closeSubpath();
    }
    return shadows;
}

QPainterPath snowField(const QPolygonF& ridge, Random& rng, double snowY, double spread)
{
    const quint32 seed = rng.seed();
    const double left = ridge.first().x();
    const double right = ridge.last().x();
    const double width = right - left;
    QPolygonF poly;
    const int samples = 400;
    for (int i = 0; i <= samples; ++i) {
        const double t = static_cast<double>(i) / samples;
        const double broad = 2.0 * fbm1(static_cast<float>(t * 9.0), seed, 3) - 1.0;
        const double gully = std::pow(fbm1(static_cast<float>(t * 55.0), seed + 3, 2), 3.0);
        poly << QPointF(left + width * t, snowY + spread * (broad + 2.5 * gully));
    }
    poly << QPointF(right, -1e5) << QPointF(left, -1e5);
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

} // namespace tavlin::backdrops
