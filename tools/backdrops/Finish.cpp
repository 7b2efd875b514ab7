#include "Finish.h"

#include "Field.h"
#include "Noise.h"
#include "Palette.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

int toByte(double v)
{
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

} // namespace

void addGrain(QImage& image, quint32 seed, double amount)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Two hashes summed give a triangular distribution, which dithers more evenly.
            const double n = (latticeHash(x, y, seed) + latticeHash(x, y, seed + 1) - 1.0) * amount;
            const QRgb px = line[x];
            line[x] = qRgb(toByte(qRed(px) + n), toByte(qGreen(px) + n), toByte(qBlue(px) + n));
        }
    }
}

QImage finishIllustration(QImage image, quint32 seed)
{
    addVignette(image, 0.12);
    addGrain(image, seed, 3.0);
    return image;
}

void addVignette(QImage& image, double strength)
{
    const double cx = image.width() / 2.0;
    const double cy = image.height() / 2.0;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double dy = (y - cy) / cy;
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - cx) / cx;
            const double f = 1.0 - strength * smoothstep(0.5, 1.6, dx * dx * 0.7 + dy * dy);
            const QRgb px = line[x];
            line[x] = qRgb(toByte(qRed(px) * f), toByte(qGreen(px) * f), toByte(qBlue(px) * f));
        }
    }
}

void gouacheFinish(QImage& image, quint32 seed, double strength)
{
    const int w = image.width();
    const int h = image.height();
    const double unit = h / 1600.0;
    // Streaks are long horizontally and thin vertically, like a flat brush dragged sideways.
    const Field drag = Field::smoothNoise(w, h, static_cast<float>(90 * unit), seed, 3, 2);
    const Field blotch = Field::smoothNoise(w, h, static_cast<float>(260 * unit), seed + 5, 3, 8);
    const float sx = static_cast<float>(1.0 / (70.0 * unit));
    const float sy = static_cast<float>(1.0 / (2.5 * unit));
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double streak = valueNoise(x * sx, y * sy + drag.at(x, y) * 6.0f, seed + 9) - 0.5;
            const double grain = latticeHash(x, y, seed + 3) - 0.5;
            const double f =
                1.0 + strength * (0.05 * streak + 0.05 * (blotch.at(x, y) - 0.5)) + 0.035 * grain;
            const QRgb px = line[x];
            line[x] = qRgb(toByte(qRed(px) * f), toByte(qGreen(px) * f), toByte(qBlue(px) * f));
        }
    }
}

void pastelFinish(QImage& image, const QColor& paper, quint32 seed, double pressure)
{
    const int w = image.width();
    const int h = image.height();
    const double unit = h / 1600.0;
    const Field tooth = Field::fineNoise(w, h, static_cast<float>(3.2 * unit), seed, 2);
    const Field press = Field::smoothNoise(w, h, static_cast<float>(180 * unit), seed + 1, 3, 4);
    const double pr = paper.red();
    const double pg = paper.green();
    const double pb = paper.blue();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            // Slanted fibres: the tooth is a little stretched along the paper's grain.
            const double fibre = valueNoise(static_cast<float>((x + y * 0.4) / (14.0 * unit)),
                                            static_cast<float>(y / (3.0 * unit)), seed + 7);
            const double t = 0.65 * tooth.at(x, y) + 0.35 * fibre;
            const double p = pressure * (0.8 + 0.4 * press.at(x, y));
            const double cover = smoothstep(t - 0.18, t + 0.1, p);
            const QRgb px = line[x];
            line[x] =
                qRgb(toByte(pr + (qRed(px) - pr) * cover), toByte(pg + (qGreen(px) - pg) * cover),
                     toByte(pb + (qBlue(px) - pb) * cover));
        }
    }
}

QImage blurred(const QImage& image, int radius)
{
    // Premultiplied channels blur correctly together with alpha, so layers keep soft edges.
    const QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Field channels[4] = {Field::fromImage(src, 0), Field::fromImage(src, 1),
                         Field::fromImage(src, 2), Field::fromImage(src, 3)};
    for (Field& f : channels)
        f.blur(radius);
    QImage out(src.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int a = toByte(channels[3].at(x, y) * 255.0);
            line[x] = qRgba(std::min(a, toByte(channels[2].at(x, y) * 255.0)),
                            std::min(a, toByte(channels[1].at(x, y) * 255.0)),
                            std::min(a, toByte(channels[0].at(x, y) * 255.0)), a);
        }
    }
    return out;
}

QImage softShape(QSize size, const QPainterPath& path, int radius, const QColor& color)
{
    QImage mask(size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(path, Qt::white);
    }
    Field alpha = Field::fromImage(mask, 3);
    alpha.blur(radius);
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    const double a = color.alphaF();
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const float* in = alpha.row(y);
        for (int x = 0; x < size.width(); ++x) {
            const double k = std::clamp(static_cast<double>(in[x]), 0.0, 1.0) * a;
            line[x] = qRgba(toByte(color.red() * k), toByte(color.green() * k),
                            toByte(color.blue() * k), toByte(255.0 * k));
        }
    }
    return out;
}

void paintInAir(QPainter& p, QSize size, int radius, const QColor& haze,
                const std::function<void(QPainter&)>& draw)
{
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter l(&layer);
        l.setRenderHint(QPainter::Antialiasing);
        draw(l);
        l.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        l.fillRect(layer.rect(), haze);
    }
    // A softened copy under a slightly see-through sharp one: edges are found where the
    // contrast is strong and lost where it is weak.
    p.drawImage(0, 0, blurred(layer, radius));
    p.save();
    p.setOpacity(0.8);
    p.drawImage(0, 0, layer);
    p.restore();
}

} // namespace tavlin::backdrops
