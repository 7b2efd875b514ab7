#pragma once

#include "Field.h"
#include "Random.h"

#include <QGradientStops>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace tavlin::backdrops {

void fillVertical(QPainter& p, const QRectF& rect, const QGradientStops& stops);
// Fills `path` with a two-colour vertical gradient running from `top` to `bottom`.
void fillPathVertical(QPainter& p, const QPainterPath& path, double top, double bottom,
                      const QColor& upper, const QColor& lower);
// Radial falloff to transparent; the colour's alpha is the strength at the centre.
void paintGlow(QPainter& p, QPointF centre, double radius, const QColor& color);
void paintSun(QPainter& p, QPointF centre, double radius, const QColor& disc, const QColor& glow,
              double glowRadius);

// Flat-bottomed heap of puffs; `base` is the middle of the flat bottom.
// A gliding bird seen from below, filled: wings spread `s` to each side of `c`.
QPainterPath birdSilhouette(QPointF c, double s);

QPainterPath cumulusPath(Random& rng, QPointF base, double width, double height);
void paintCumulus(QPainter& p, Random& rng, QPointF base, double width, double height,
                  const QColor& light, const QColor& shadow);
// Long thin streak made of overlapping ellipses.
QPainterPath stratusPath(Random& rng, QPointF centre, double width, double thickness);
// A stratus streak softened on a layer of its own, so it reads as thin vapour rather than a
// hard-edged string.
void paintStratus(QPainter& p, Random& rng, QPointF centre, double width, double thickness,
                  const QColor& color);

// The same clouds with crisp edges and flat shading, for pictures drawn all in sharp shapes
// where a softened cloud would look out of focus beside them.
void paintFlatCumulus(QPainter& p, Random& rng, QPointF base, double width, double height,
                      const QColor& light, const QColor& shadow);
void paintFlatStratus(QPainter& p, Random& rng, QPointF centre, double width, double thickness,
                      const QColor& color);

// `density` (0..1) thins the stars out where it is low, e.g. towards the horizon.
void paintStars(QPainter& p, Random& rng, const QRectF& area, int count, double unit,
                const QColor& tint, const std::function<double(QPointF)>& density = {});

// Curtain intensity of a draped aurora ribbon. `heightFraction`, when given, receives 0 at the
// lower hem and 1 at the top of the rays so callers can colour along the curtain.
struct AuroraShape
{
    double baseY;     // mean hem height, in pixels
    double sway;      // hem wander, in pixels
    double rayHeight; // ray length above the hem, in pixels
    double slant;     // horizontal drift of the rays per pixel of height
    double strength;
};
Field auroraIntensity(QSize size, quint32 seed, const AuroraShape& shape,
                      Field* heightFraction = nullptr);
// Adds the aurora to `image` with a lower and an upper colour.
void addAurora(QImage& image, const Field& intensity, const Field& heightFraction,
               const QColor& low, const QColor& high);

} // namespace tavlin::backdrops
