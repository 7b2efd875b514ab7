#pragma once

#include <QtGlobal>
#include <cmath>

namespace tavlin::backdrops {

// SplitMix64 with hand-rolled distributions: the std distributions differ between standard
// libraries, and the pictures must come out byte-identical everywhere.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Inclusive on both ends.
    int integer(int lo, int hi) { return lo + static_cast<int>(uniform() * (hi - lo + 1)); }
    bool chance(double p) { return uniform() < p; }
    quint32 seed() { return static_cast<quint32>(next() >> 32); }

    double gauss()
    {
        const double u1 = std::max(uniform(), 1e-12);
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    quint64 m_state;
};

} // namespace tavlin::backdrops
