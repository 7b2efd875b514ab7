#pragma once

#include "Random.h"

#include <QColor>
#include <QPainter>
#include <QPolygonF>

namespace tavlin::backdrops {

struct CliffColors
{
    QColor lit;   // rock in full light at the top of the face
    QColor shade; // rock at the foot, where less light reaches
    QColor gully; // the shadowed clefts that erosion cuts down the face
    QColor wet;   // the band the waves keep dark
};

// A sea cliff's face between its top edge and its foot, both running the same way: lit rock
// darkening downwards, clefts and ribs running down the fall line, faint bedding, and a wet
// band at the foot.
void paintCliffFace(QPainter& p, Random& rng, const QPolygonF& top, const QPolygonF& foot,
                    const CliffColors& colors, double unit);

// The same face laid down in horizontal beds instead of cut by clefts.
void paintStrataFace(QPainter& p, Random& rng, const QPolygonF& top, const QPolygonF& foot,
                     const CliffColors& colors, double unit);

// Foam along a waterline, thinning out towards both ends instead of stopping short, with a
// few fainter lines of broken water further out. `seaward` is the direction of open water.
void paintSurf(QPainter& p, Random& rng, const QPolygonF& waterline, QPointF seaward, double unit,
               double strength = 1.0);

} // namespace tavlin::backdrops
