#include "Watercolor.h"

#include "Noise.h"
#include "Palette.h"
#include "Random.h"

#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

// Bounding box of the painted pixels, or an empty rect.
QRect coverageBounds(const QImage& layer)
{
    int top = layer.height();
    int bottom = -1;
    int left = layer.width();
    int right = -1;
    for (int y = 0; y < layer.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        int first = -1;
        int last = -1;
        for (int x = 0; x < layer.width(); ++x) {
            if (qAlpha(line[x]) != 0) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        if (first >= 0) {
            top = std::min(top, y);
            bottom = y;
            left = std::min(left, first);
            right = std::max(right, last);
        }
    }
    if (bottom < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The paper's tooth. Value noise on one square lattice shows its grid as little blocks, so two
// lattices turned against each other are mixed and softened into a round, fibrous grain.
Field paperTooth(QSize size, double unit, quint32 seed)
{
    Field out(size.width(), size.height());
    const double inv = 1.0 / (5.0 * unit);
    const double c1 = std::cos(0.52) * inv;
    const double s1 = std::sin(0.52) * inv;
    const double c2 = std::cos(-0.95) * inv * 1.37;
    const double s2 = std::sin(-0.95) * inv * 1.37;
    for (int y = 0; y < size.height(); ++y) {
        float* r = out.row(y);
        for (int x = 0; x < size.width(); ++x) {
            const float a = fbm(static_cast<float>(x * c1 - y * s1),
                                static_cast<float>(x * s1 + y * c1), seed, 3);
            const float b = fbm(static_cast<float>(x * c2 - y * s2),
                                static_cast<float>(x * s2 + y * c2), seed ^ 0x7700u, 3);
            r[x] = std::clamp(0.5f + 1.5f * (0.55f * a + 0.45f * b - 0.5f), 0.0f, 1.0f);
        }
    }
    out.blur(std::max(1, static_cast<int>(std::lround(0.8 * unit))), 2);
    return out;
}

} // namespace

Watercolor::Watercolor(QSize size, const QColor& paper, quint32 seed)
    : m_size(size), m_unit(size.height() / 1600.0), m_paper(paper), m_seed(seed),
      m_red(size.width(), size.height(), static_cast<float>(paper.redF())),
      m_green(size.width(), size.height(), static_cast<float>(paper.greenF())),
      m_blue(size.width(), size.height(), static_cast<float>(paper.blueF())),
      m_tooth(paperTooth(size, m_unit, seed ^ 0x5eedu))
{
}

QImage Watercolor::paintLayer(const std::function<void(QPainter&)>& shape) const
{
    QImage layer(m_size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    shape(p);
    p.end();
    return layer;
}

void Watercolor::wash(const QColor& pigment, const Wash& style,
                      const std::function<void(QPainter&)>& shape)
{
    const quint32 seed = m_seed + 7919u * static_cast<quint32>(++m_washes);
    const QImage layer = paintLayer(shape);
    const QRect painted = coverageBounds(layer);
    if (painted.isEmpty())
        return;
    const double wobble = style.wobble * m_unit;
    const int rim = std::max(2, static_cast<int>(7 * m_unit));
    const int margin = static_cast<int>(wobble * 1.2 + style.softness * m_unit * 3 + rim * 3) + 2;
    const QRect box =
        painted.adjusted(-margin, -margin, margin, margin).intersected(QRect(QPoint(0, 0), m_size));
    const int bw = box.width();
    const int bh = box.height();

    Field coverage(bw, bh);
    for (int y = 0; y < bh; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y + box.top()));
        float* out = coverage.row(y);
        for (int x = 0; x < bw; ++x)
            out[x] = static_cast<float>(qAlpha(line[x + box.left()])) * (1.0f / 255.0f);
    }

    // Domain warp: sampling the mask through wandering offsets makes fractal edges while
    // leaving any density gradient inside the shape intact.
    const float period = static_cast<float>(std::max(8.0, 70.0 * m_unit));
    const Field warpX = Field::smoothNoise(bw, bh, period, seed + 1, 4, 3);
    const Field warpY = Field::smoothNoise(bw, bh, period, seed + 2, 4, 3);
    Field density(bw, bh);
    for (int y = 0; y < bh; ++y) {
        float* out = density.row(y);
        for (int x = 0; x < bw; ++x) {
            const float dx = (warpX.at(x, y) - 0.5f) * 2.6f * static_cast<float>(wobble);
            const float dy = (warpY.at(x, y) - 0.5f) * 2.6f * static_cast<float>(wobble);
            out[x] = coverage.sample(static_cast<float>(x) + dx, static_cast<float>(y) + dy);
        }
    }
    density.blur(std::max(1, static_cast<int>(style.softness * m_unit)), 2);

    // Pigment migrates to the rim as the wash dries: the gap between the mask and a blurred
    // copy of itself is largest just inside the edge.
    Field spread = density;
    spread.blur(rim, 2);
    const Field uneven =
        Field::smoothNoise(bw, bh, static_cast<float>(220 * m_unit), seed + 3, 3, 8);

    Random rng(seed);
    struct Bloom
    {
        QPointF centre;
        double radius;
    };
    std::vector<Bloom> blooms;
    for (int i = 0; i < style.blooms * 6 && static_cast<int>(blooms.size()) < style.blooms; ++i) {
        const QPointF c(rng.uniform() * bw, rng.uniform() * bh);
        if (density.at(static_cast<int>(c.x()), static_cast<int>(c.y())) > 0.5f)
            blooms.push_back({c, rng.range(70, 160) * m_unit});
    }

    const double pr = pigment.redF();
    const double pg = pigment.greenF();
    const double pb = pigment.blueF();
    for (int y = 0; y < bh; ++y) {
        const float* d = density.row(y);
        const float* s = spread.row(y);
        const int iy = y + box.top();
        for (int x = 0; x < bw; ++x) {
            double v = d[x];
            if (v <= 0.002)
                continue;
            const int ix = x + box.left();
            v += style.darkEdge * std::max(0.0, static_cast<double>(d[x] - s[x])) * 2.2;
            v *= 1.0 + style.unevenness * (uneven.at(x, y) - 0.5) * 2.4;
            const double pit = m_tooth.at(ix, iy) - 0.5;
            const double clump = latticeHash(ix / 2, iy / 2, seed) - 0.5;
            v *= 1.0 + style.granulation * (pit * 1.1 + clump * 0.08);
            for (const Bloom& b : blooms) {
                const double dx = x - b.centre.x();
                const double dy = y - b.centre.y();
                const double dist = std::sqrt(dx * dx + dy * dy);
                if (dist > b.radius * 1.4)
                    continue;
                const double a = std::atan2(dy, dx);
                const double edge =
                    b.radius *
                    (0.8 + 0.4 * valueNoise1(static_cast<float>(a * 3.0 + 10.0), seed + 4));
                const double r = dist / edge;
                if (r < 1.0)
                    v *= 0.78 + 0.22 * r * r * r;
                v += 0.22 * d[x] * std::exp(-std::pow((r - 1.0) / 0.07, 2.0));
            }
            const double a = clamp01(v * style.opacity);
            m_red.at(ix, iy) *= static_cast<float>(1.0 - a * (1.0 - pr));
            m_green.at(ix, iy) *= static_cast<float>(1.0 - a * (1.0 - pg));
            m_blue.at(ix, iy) *= static_cast<float>(1.0 - a * (1.0 - pb));
        }
    }
}

void Watercolor::lift(double amount, const std::function<void(QPainter&)>& shape)
{
    const QImage layer = paintLayer(shape);
    const float pr = static_cast<float>(m_paper.redF());
    const float pg = static_cast<float>(m_paper.greenF());
    const float pb = static_cast<float>(m_paper.blueF());
    for (int y = 0; y < m_size.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        for (int x = 0; x < m_size.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0)
                continue;
            const float t = static_cast<float>(amount * alpha / 255.0);
            m_red.at(x, y) += (pr - m_red.at(x, y)) * t;
            m_green.at(x, y) += (pg - m_green.at(x, y)) * t;
            m_blue.at(x, y) += (pb - m_blue.at(x, y)) * t;
        }
    }
}

QImage Watercolor::finish() const
{
    QImage out(m_size, QImage::Format_RGB32);
    for (int y = 0; y < m_size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < m_size.width(); ++x) {
            // Raking light over cold-pressed paper.
            const double paper = 0.965 + 0.07 * (m_tooth.at(x, y) - 0.5) + 0.035;
            auto byte = [paper](float c) {
                return static_cast<int>(std::lround(std::clamp(c * paper, 0.0, 1.0) * 255.0));
            };
            line[x] = qRgb(byte(m_red.at(x, y)), byte(m_green.at(x, y)), byte(m_blue.at(x, y)));
        }
    }
    return out;
}

} // namespace tavlin::backdrops
