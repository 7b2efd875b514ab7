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
    Random rng(m_seed);

    struct Drum
    {
        Field plate;
        Field inking;
        int dx;
        int dy;
        double r;
        double g;
        double b;
    };
    std::vector<Drum> drums;
    for (size_t i = 0; i < m_inks.size(); ++i) {
        Field plate = Field::fromImage(m_plates[i], 2);
        // Ink creeps a little into the paper, so stencil edges are never razor sharp.
        plate.blur(std::max(1, static_cast<int>(std::lround(m_spread * m_unit))), 2);
        // Misregistration: every drum after the first lands a few pixels off.
        const double off = i == 0 ? 0.0 : m_misregistration * m_unit;
        const int dx = static_cast<int>(std::lround(rng.range(-1.0, 1.0) * off));
        const int dy = static_cast<int>(std::lround(rng.range(-1.0, 1.0) * off));
        drums.push_back({std::move(plate),
                         Field::smoothNoise(w, h, static_cast<float>(300 * m_unit),
                                            m_seed + 31 * static_cast<quint32>(i), 3, 8),
                         dx, dy, m_inks[i].redF(), m_inks[i].greenF(), m_inks[i].blueF()});
    }
    // Paper fibre: a faint, soft mottle shared by all inks, strongest in light tones.
    const Field paper = Field::smoothNoise(w, h, static_cast<float>(18 * m_unit), m_seed + 7, 2, 2);

    // The grain is a few pixels across at any size, so it keeps its scale on a 4K screen and
    // averages away on a small one instead of beating against the pixel grid.
    const float grainPeriod = static_cast<float>(std::max(2.0, 2.2 * m_unit));
    QImage out(m_size, QImage::Format_RGB32);
    std::vector<double> r(static_cast<size_t>(w));
    std::vector<double> g(static_cast<size_t>(w));
    std::vector<double> b(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        const float* fibre = paper.row(y);
        for (int x = 0; x < w; ++x) {
            const double f = 1.0 + 0.018 * (fibre[x] - 0.5);
            r[static_cast<size_t>(x)] = m_paper.redF() * f;
            g[static_cast<size_t>(x)] = m_paper.greenF() * f;
            b[static_cast<size_t>(x)] = m_paper.blueF() * f;
        }
        for (size_t i = 0; i < drums.size(); ++i) {
            const Drum& s = drums[i];
            const int sy = std::clamp(y - s.dy, 0, h - 1);
            const float* plateLine = s.plate.row(sy);
            const float* inking = s.inking.row(y);
            const quint32 grainSeed = m_seed + 101 * static_cast<quint32>(i + 1);
            for (int x = 0; x < w; ++x) {
                const int sx = std::clamp(x - s.dx, 0, w - 1);
                double d = plateLine[sx];
                if (d <= 0.004)
                    continue;
                // Uneven inking across the drum.
                d *= 0.88 + 0.16 * inking[x];
                // Grain: the stencil passes a little more or less ink from spot to spot; it
                // shows most in half tones and fades out in solids and near-bare paper.
                const double grain = valueNoise(static_cast<float>(x) / grainPeriod,
                                                static_cast<float>(y) / grainPeriod, grainSeed) -
                                     0.5;
                const double cover =
                    std::clamp(d + m_grain * grain * (0.25 + 3.0 * d * (1.0 - d)), 0.0, 1.0) * 0.94;
                const size_t k = static_cast<size_t>(x);
                r[k] *= 1.0 - cover * (1.0 - s.r);
                g[k] *= 1.0 - cover * (1.0 - s.g);
                b[k] *= 1.0 - cover * (1.0 - s.b);
            }
        }
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t k = static_cast<size_t>(x);
            line[x] = qRgb(static_cast<int>(std::lround(std::clamp(r[k], 0.0, 1.0) * 255.0)),
                           static_cast<int>(std::lround(std::clamp(g[k], 0.0, 1.0) * 255.0)),
                           static_cast<int>(std::lround(std::clamp(b[k], 0.0, 1.0) * 255.0)));
        }
    }
    return out;
}

} // namespace tavlin::backdrops
