#pragma once

#include "Random.h"

#include <QPainterPath>
#include <QPolygonF>
#include <functional>
#include <vector>

namespace tavlin::backdrops {

// Midpoint displacement: 2^levels + 1 samples, roughly within [-1, 1]. Higher roughness keeps
// more of the fine jaggedness.
std::vector<double> fractalProfile(Random& rng, int levels, double roughness);

// Samples yAt(fraction) across [left, right].
QPolygonF profileLine(double left, double right, int samples,
                      const std::function<double(double)>& yAt);

// A mountain skyline: the envelope (0..1 per width fraction) gives the big shape, the fractal
// profile the crags. `detail` is in pixels.
QPolygonF mountainRidge(Random& rng, double width, double baseY, double amplitude,
                        const std::function<double(double)>& envelope, double detail,
                        double roughness = 0.55, int levels = 9);

// Smooth rolling hills from low-frequency noise.
QPolygonF rollingLine(double width, double baseY, double amplitude, quint32 seed, double waves,
                      int samples = 240);

QPainterPath areaBelow(const QPolygonF& line, double bottom);
// The band between two lines drawn the same way, such as a cliff's top edge and its foot.
QPainterPath areaBetween(const QPolygonF& a, const QPolygonF& b);
double lineY(const QPolygonF& line, double x);

// Faces turned away from a light on the left (or right): from each peak a jagged spine runs
// down, and the slope between it and the next valley is returned.
QPainterPath ridgeShadows(const QPolygonF& ridge, double bottom, Random& rng,
                          bool lightFromLeft = true);

// Everything above a ragged snow line; intersect with the mountain to get the caps.
QPainterPath snowField(const QPolygonF& ridge, Random& rng, double snowY, double spread);

} // namespace tavlin::backdrops
