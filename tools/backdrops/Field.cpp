#include "Field.h"

#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace tavlin::backdrops {

namespace {

// Running-sum box filter over a strided line, edges clamped.
void boxLine(const float* src, float* dst, int count, int stride, int radius)
{
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i)
        sum += src[std::clamp(i, 0, count - 1) * stride];
    for (int i = 0; i < count; ++i) {
        dst[i * stride] = sum * scale;
        const int add = std::min(i + radius + 1, count - 1);
        const int drop = std::max(i - radius, 0);
        sum += src[add * stride] - src[drop * stride];
    }
}

} // namespace

Field::Field(int width, int height, float fill)
    : m_width(width), m_height(height), m_data(static_cast<size_t>(width) * height, fill)
{
}

float Field::sample(float x, float y) const
{
    x = std::clamp(x, 0.0f, static_cast<float>(m_width - 1));
    y = std::clamp(y, 0.0f, static_cast<float>(m_height - 1));
    const int x0 = static_cast<int>(x);
    const int y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, m_width - 1);
    const int y1 = std::min(y0 + 1, m_height - 1);
    const float tx = x - static_cast<float>(x0);
    const float ty = y - static_cast<float>(y0);
    const float top = at(x0, y0) + (at(x1, y0) - at(x0, y0)) * tx;
    const float bottom = at(x0, y1) + (at(x1, y1) - at(x0, y1)) * tx;
    return top + (bottom - top) * ty;
}

void Field::blur(int radius, int passes)
{
    if (radius <= 0 || m_data.empty())
        return;
    std::vector<float> line(static_cast<size_t>(std::max(m_width, m_height)));
    std::vector<float> column(static_cast<size_t>(m_height));
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < m_height; ++y) {
            boxLine(row(y), line.data(), m_width, 1, radius);
            std::copy_n(line.data(), m_width, row(y));
        }
        // Columns are copied out first so the filter walks contiguous memory.
        for (int x = 0; x < m_width; ++x) {
            for (int y = 0; y < m_height; ++y)
                column[static_cast<size_t>(y)] = at(x, y);
            boxLine(column.data(), line.data(), m_height, 1, radius);
            for (int y = 0; y < m_height; ++y)
                at(x, y) = line[static_cast<size_t>(y)];
        }
    }
}

Field Field::smoothNoise(int width, int height, float period, quint32 seed, int octaves, int step)
{
    const int gw = width / step + 2;
    const int gh = height / step + 2;
    Field grid(gw, gh);
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x)
            grid.at(x, y) = fbm(static_cast<float>(x * step) / period,
                                static_cast<float>(y * step) / period, seed, octaves);
    Field out(width, height);
    const float inv = 1.0f / static_cast<float>(step);
    for (int y = 0; y < height; ++y) {
        float* r = out.row(y);
        for (int x = 0; x < width; ++x)
            r[x] = grid.sample(static_cast<float>(x) * inv, static_cast<float>(y) * inv);
    }
    return out;
}

Field Field::fineNoise(int width, int height, float period, quint32 seed, int octaves)
{
    Field out(width, height);
    const float inv = 1.0f / period;
    for (int y = 0; y < height; ++y) {
        float* r = out.row(y);
        for (int x = 0; x < width; ++x)
            r[x] = fbm(static_cast<float>(x) * inv, static_cast<float>(y) * inv, seed, octaves);
    }
    return out;
}

Field Field::fromImage(const QImage& image, int channel)
{
    const QImage src = image.format() == QImage::Format_ARGB32_Premultiplied
                           ? image
                           : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Field out(src.width(), src.height());
    for (int y = 0; y < src.height(); ++y) {
        const uchar* s = src.constScanLine(y);
        float* d = out.row(y);
        for (int x = 0; x < src.width(); ++x)
            d[x] = static_cast<float>(s[4 * x + channel]) * (1.0f / 255.0f);
    }
    return out;
}

} // namespace tavlin::backdrops
