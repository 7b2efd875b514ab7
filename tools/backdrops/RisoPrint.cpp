#include "RisoPrint.h"

#include "Field.h"
#include "Noise.h"
#include "Palette.h"
#include "Random.h"

#include <QLinearGradient>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

RisoPrint::RisoPrint(QSize size, const QColor& paper, std::vector<QColor> inks, quint32 seed)
    : m_size(size), m_unit(size.height() / 1600.0), m_paper(paper), m_inks(std::move(inks)),
      m_seed(seed)
{
    for (size_t i = 0; i < m_inks.size(); ++i) {
        m_plates.emplace_back(size, QImage::Format_RGB32);
        m_plates.back().fill(Qt::black);
    }
    for (QImage& plateImage : m_plates) {
        m_painters.push_back(std::make_unique<QPainter>(&plateImage));
        m_painters.back()->setRenderHint(QPainter::Antialiasing);
        m_painters.back()->setPen(Qt::NoPen);
    }
}

RisoPrint::~RisoPrint() = default;

QPainter& RisoPrint::plate(int ink)
{
    return *m_painters[static_cast<size_t>(ink)];
}

void RisoPrint::fill(const QPainterPath& path, std::initializer_list<double> densities)
{
    int i = 0;
    for (double d : densities) {
        if (i >= inkCount())
            break;
        if (d >= 0.0) {
            const float g = static_cast<float>(clamp01(d));
            m_painters[static_cast<size_t>(i)]->fillPath(path, QColor::fromRgbF(g, g, g));
        }
        ++i;
    }
}

void RisoPrint::ramp(int ink, const QPainterPath& area, double top, double bottom, double from,
                     double to)
{
    QLinearGradient g(0, top, 0, bottom);
    const auto grey = [](double v) {
        const float f = static_cast<float>(clamp01(v));
        return QColor::fromRgbF(f, f, f);
    };
    g.setColorAt(0, grey(from));
    g.setColorAt(1, grey(to));
    plate(ink).fillPath(area, g);
}

void RisoPrint::adjust(const std::function<void(int x, int y, double* d)>& change)
{
    for (auto& painter : m_painters)
        painter->end();
    std::vector<double> d(m_plates.size());
    for (int y = 0; y < m_size.height(); ++y) {
        std::vector<QRgb*> lines;
        for (QImage& plateImage : m_plates)
            lines.push_back(reinterpret_cast<QRgb*>(plateImage.scanLine(y)));
        for (int x = 0; x < m_size.width(); ++x) {
            for (size_t i = 0; i < lines.size(); ++i)
                d[i] = qRed(lines[i][x]) / 255.0;
            change(x, y, d.data());
            for (size_t i = 0; i < lines.size(); ++i) {
                const int g = static_cast<int>(std::lround(clamp01(d[i]) * 255.0));
                lines[i][x] = qRgb(g, g, g);
            }
        }
    }
    for (size_t i = 0; i < m_plates.size(); ++i) {
        m_painters[i]->begin(&m_plates[i]);
        m_painters[i]->setRenderHint(QPainter::Antialiasing);
        m_painters[i]->setPen(Qt::NoPen);
    }
}

QImage RisoPrint::print()
{
    for (auto& painter : m_painters)
        painter->end();
    const int w = m_size.width();
    const int h = m_size.height();
    const double cell = std::max(3.0, m_cell * m_unit);
    Random rng(m_seed);

    struct Screen
    {
        double cosA;
        double sinA;
        int dx;
        int dy;
        double r;
        double g;
        double b;
        Field inking;
    };
    std::vector<Screen> screens;
    const double angles[] = {15.0, 75.0, 45.0, 0.0};
    for (size_t i = 0; i < m_inks.size(); ++i) {
        const double a = angles[i % 4] * 3.14159265358979 / 180.0;
        // Misregistration: every drum after the first lands a few pixels off.
        const double off = i == 0 ? 0.0 : 4.0 * m_unit;
        const int dx = static_cast<int>(std::lround(rng.range(-1.0, 1.0) * off));
        const int dy = static_cast<int>(std::lround(rng.range(-1.0, 1.0) * off));
        screens.push_back({std::cos(a), std::sin(a), dx, dy, m_inks[i].redF(), m_inks[i].greenF(),
                           m_inks[i].blueF(),
                           Field::smoothNoise(w, h, static_cast<float>(300 * m_unit),
                                              m_seed + 31 * static_cast<quint32>(i), 3, 8)});
    }

    const double freq = 2.0 * 3.14159265358979 / cell;
    const double aa = 0.16;
    QImage out(m_size, QImage::Format_RGB32);
    std::vector<double> r(static_cast<size_t>(w));
    std::vector<double> g(static_cast<size_t>(w));
    std::vector<double> b(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::fill(r.begin(), r.end(), m_paper.redF());
        std::fill(g.begin(), g.end(), m_paper.greenF());
        std::fill(b.begin(), b.end(), m_paper.blueF());
        for (size_t i = 0; i < screens.size(); ++i) {
            const Screen& s = screens[i];
            const int sy = std::clamp(y - s.dy, 0, h - 1);
            const auto* plateLine = reinterpret_cast<const QRgb*>(m_plates[i].constScanLine(sy));
            const float* inking = s.inking.row(y);
            // The two screen waves advance by a fixed phase per pixel, so they are rotated
            // along the row instead of calling cos for every pixel.
            const double du = s.cosA * freq;
            const double dv = -s.sinA * freq;
            const double cdu = std::cos(du);
            const double sdu = std::sin(du);
            const double cdv = std::cos(dv);
            const double sdv = std::sin(dv);
            double cu = std::cos(y * s.sinA * freq);
            double su = std::sin(y * s.sinA * freq);
            double cv = std::cos(y * s.cosA * freq);
            double sv = std::sin(y * s.cosA * freq);
            for (int x = 0; x < w; ++x) {
                const double spot = 0.5 - 0.25 * (cu + cv);
                const double nu = cu * cdu - su * sdu;
                su = su * cdu + cu * sdu;
                cu = nu;
                const double nv = cv * cdv - sv * sdv;
                sv = sv * cdv + cv * sdv;
                cv = nv;
                const int sx = std::clamp(x - s.dx, 0, w - 1);
                double d = qRed(plateLine[sx]) * (1.0 / 255.0);
                if (d <= 0.004)
                    continue;
                // Uneven inking across the drum.
                d *= 0.86 + 0.2 * inking[x];
                double cover = d;
                if (d < 0.93) {
                    // Ink spreads on the drum, so dots are soft and only half-separate from
                    // the tone around them; full-strength dots make a restless wallpaper.
                    cover = d + (smoothstep(spot - aa, spot + aa, d) - d) * m_screenContrast;
                } else if (latticeHash(x / 3, y / 3, m_seed + static_cast<quint32>(i)) > 0.993) {
                    // Tiny voids where the stencil starved of ink; they only show in solids.
                    cover *= 0.6;
                }
                cover = std::min(cover, 1.0) * 0.94;
                const size_t k = static_cast<size_t>(x);
                r[k] *= 1.0 - cover * (1.0 - s.r);
                g[k] *= 1.0 - cover * (1.0 - s.g);
                b[k] *= 1.0 - cover * (1.0 - s.b);
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t k = static_cast<size_t>(x);
            line[x] = qRgb(static_cast<int>(std::lround(r[k] * 255.0)),
                           static_cast<int>(std::lround(g[k] * 255.0)),
                           static_cast<int>(std::lround(b[k] * 255.0)));
        }
    }
    return out;
}

} // namespace tavlin::backdrops
