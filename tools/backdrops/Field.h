#pragma once

#include <QImage>
#include <vector>

namespace tavlin::backdrops {

// A single-channel float raster for masks, densities and height maps.
class Field
{
public:
    Field() = default;
    Field(int width, int height, float fill = 0.0f);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_data.empty(); }

    float at(int x, int y) const { return m_data[static_cast<size_t>(y) * m_width + x]; }
    float& at(int x, int y) { return m_data[static_cast<size_t>(y) * m_width + x]; }
    float* row(int y) { return m_data.data() + static_cast<size_t>(y) * m_width; }
    const float* row(int y) const { return m_data.data() + static_cast<size_t>(y) * m_width; }

    // Bilinear, clamped at the borders.
    float sample(float x, float y) const;

    // Three box passes approximate a gaussian of roughly the same radius.
    void blur(int radius, int passes = 3);

    // Low-frequency fbm sampled on a coarse grid and interpolated; cheap enough per layer.
    static Field smoothNoise(int width, int height, float period, quint32 seed, int octaves,
                             int step = 4);
    // Per-pixel fbm for textures that need the fine detail.
    static Field fineNoise(int width, int height, float period, quint32 seed, int octaves);
    // 0 = blue, 1 = green, 2 = red, 3 = alpha, as laid out in ARGB32.
    static Field fromImage(const QImage& image, int channel);

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<float> m_data;
};

} // namespace tavlin::backdrops
