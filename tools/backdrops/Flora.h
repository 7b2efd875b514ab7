#pragma once

#include "Random.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tavlin::backdrops {

// Conifer silhouette standing on `base`, built from drooping tiers.
QPainterPath pineTree(Random& rng, QPointF base, double height, double width);
// A stand of conifers rooted along `ground`; heights wander with low-frequency noise.
QPainterPath pineRow(Random& rng, const QPolygonF& ground, double minHeight, double maxHeight,
                     double spacing, double sink = 0.0);

// Cloud of overlapping ellipses filling roughly the given ellipse, denser at the top.
QPainterPath canopyPath(Random& rng, QPointF centre, double rx, double ry, int blobs);

struct TreeColors
{
    QColor trunk;
    QColor dark;
    QColor mid;
    QColor light;
};
// A broadleaf tree lit from the upper left; returns the canopy outline for callers that add
// their own shadows or highlights.
QPainterPath paintBroadleaf(QPainter& p, Random& rng, QPointF base, double height,
                            const TreeColors& colors, double spread = 1.0);

// Palm silhouette: curved ringed trunk and a crown of drooping, feathery fronds. `droop` below 1
// holds the fronds and their leaflets out flatter, for an open, airy crown.
QPainterPath palmTree(Random& rng, QPointF base, double height, double lean, double droop = 1.0);

QPainterPath grassBlade(QPointF base, double height, double width, double bend);
// Blades sorted back to front; colour runs from `dark` at the back to `light`.
void paintGrass(QPainter& p, Random& rng, const QRectF& band, int count, double minHeight,
                double maxHeight, const QColor& dark, const QColor& light, double wind);

// Distant broadleaf lumps along a crest, grouped by noise into copses with gaps between.
void paintCopses(QPainter& p, Random& rng, const QPolygonF& crest, double from, double to,
                 double size, const QColor& dark, const QColor& light, double every);
// Small dots (flowers, pebbles) scattered inside `area`, larger towards the bottom of `box`.
void scatterDots(QPainter& p, Random& rng, const QPainterPath& area, const QRectF& box, int count,
                 double size, const QColor& a, const QColor& b);

} // namespace tavlin::backdrops
