#pragma once

#include "Random.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <vector>

namespace tavlin::backdrops {

// One spruce or fir, shaped by its own draw of the random stream: height, girth, lean, number
// of branch tiers, ragged needle edges and a tone, so that no two trees in a wood match.
struct Conifer
{
    QPainterPath body;
    QPainterPath shade; // the half turned away from a light on the left
    double baseY = 0.0; // for painting back to front
    int tone = 1;       // 0 darker, 1 middle, 2 lighter
};

Conifer conifer(Random& rng, QPointF base, double height, double width);

// A wood rooted along `ground`: trees gather into clumps with gaps between, heights wander with
// low-frequency noise and now and then one stands above the rest. Sorted back to front.
std::vector<Conifer> coniferStand(Random& rng, const QPolygonF& ground, double minHeight,
                                  double maxHeight, double spacing, double sink = 0.0);

// Every body of one tone (or of all tones for -1), for callers that fill in one go.
QPainterPath coniferBodies(const std::vector<Conifer>& stand, int tone = -1);
QPainterPath coniferShades(const std::vector<Conifer>& stand);
// Paints each tree back to front in its tone's colour, its shaded half over it.
void paintConifers(QPainter& p, const std::vector<Conifer>& stand, const QColor (&tones)[3],
                   const QColor& shade);

} // namespace tavlin::backdrops
