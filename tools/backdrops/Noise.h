#pragma once

#include <QtGlobal>

namespace tavlin::backdrops {

// White noise on the integer lattice, in [0, 1).
float latticeHash(int x, int y, quint32 seed);

// Smooth value noise in [0, 1] with one lattice cell per unit.
float valueNoise(float x, float y, quint32 seed);
float valueNoise1(float x, quint32 seed);

// Octave sums normalised back into [0, 1].
float fbm(float x, float y, quint32 seed, int octaves, float gain = 0.5f);
float fbm1(float x, quint32 seed, int octaves, float gain = 0.5f);

} // namespace tavlin::backdrops
