#include "Noise.h"

#include <cmath>

namespace tavlin::backdrops {

namespace {

float fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

} // namespace

float latticeHash(int x, int y, quint32 seed)
{
    quint32 h = seed * 0x9E3779B1u;
    h ^= static_cast<quint32>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<quint32>(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

float valueNoise(float x, float y, quint32 seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const float a = latticeHash(ix, iy, seed);
    const float b = latticeHash(ix + 1, iy, seed);
    const float c = latticeHash(ix, iy + 1, seed);
    const float d = latticeHash(ix + 1, iy + 1, seed);
    return lerp(lerp(a, b, tx), lerp(c, d, tx), ty);
}

float valueNoise1(float x, quint32 seed)
{
    const float fx = std::floor(x);
    const int ix = static_cast<int>(fx);
    return lerp(latticeHash(ix, 7, seed), latticeHash(ix + 1, 7, seed), fade(x - fx));
}

float fbm(float x, float y, quint32 seed, int octaves, float gain)
{
    float sum = 0.0f;
    float amp = 1.0f;
    float norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        // Offsets keep the lattices of successive octaves from lining up at the origin.
        sum += amp * valueNoise(x + 17.31f * i, y - 9.71f * i, seed + 1013u * i);
        norm += amp;
        amp *= gain;
        x *= 2.03f;
        y *= 2.03f;
    }
    return sum / norm;
}

float fbm1(float x, quint32 seed, int octaves, float gain)
{
    float sum = 0.0f;
    float amp = 1.0f;
    float norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * valueNoise1(x + 5.17f * i, seed + 7919u * i);
        norm += amp;
        amp *= gain;
        x *= 2.07f;
    }
    return sum / norm;
}

} // namespace tavlin::backdrops
