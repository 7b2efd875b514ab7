#pragma once

#include "Field.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <functional>
#include <vector>

namespace tavlin::backdrops {

// Repaints a finished picture with brush strokes. Strokes take their colour from the picture,
// follow the direction of its edges, stop where the colour changes, and can leave relief that
// is lit afterwards for an impasto look.
class BrushPainter
{
public:
    struct Pass
    {
        double width;         // pixels at 1600 lines
        double length;        // longest stroke, in brush widths
        double spacing = 0.8; // grid spacing, in brush widths
        double alpha = 1.0;
        double jitter = 0.3;   // colour variation between strokes
        double onlyOver = 0.0; // skip where the canvas is already this close to the picture
    };
    struct Style
    {
        std::vector<Pass> passes;
        int bristles = 4;
        double bristleContrast = 0.1;
        double impasto = 0.0;    // strength of the lit relief, 0 for a flat finish
        double weave = 0.0;      // canvas texture showing through the relief
        double edgeStop = 0.16;  // colour difference that ends a stroke
        double restAngle = 0.0;  // stroke direction where the picture has no edges, radians
        double restWander = 0.5; // how far that direction drifts, radians
        // When set, the rest direction at a point, in place of `restAngle`: a sky hatched one
        // way and the ground another.
        std::function<double(QPointF)> restAngleAt;
        // When set, scales the longest stroke at a point: short dabs where long strokes would
        // drag one shape into another, such as a stand of trees.
        std::function<double(QPointF)> lengthAt;
        // When set, scales the colour variation at a point: calm in a sky, lively in foliage.
        std::function<double(QPointF)> jitterAt;
        // Strokes take their colour from the picture itself rather than a softened copy, and
        // the underpainting stays sharp: no blended rim forms where a shape meets its
        // background, and the edge wanders only where a stroke crosses it.
        bool crisp = false;
        // How readily strokes turn to follow an edge rather than the rest direction; below 1
        // only strong edges bend them, so a sky stays in calm level strokes beside a tree.
        double edgeFollow = 1.0;
    };

    BrushPainter(const QImage& source, quint32 seed);
    QImage paint(const Style& style) const;

private:
    // Stroke direction as doubled-angle vectors on the reduced grid, so orientations can be
    // interpolated without caring which way a stroke runs.
    struct Flow
    {
        Field cos2;
        Field sin2;
    };
    Flow flowField(const Style& style) const;
    QPointF flowAt(const Flow& flow, double x, double y) const;

    QImage m_source;
    quint32 m_seed;
    double m_unit;
    int m_flowStep;
    Field m_tensorXX;
    Field m_tensorXY;
    Field m_tensorYY;
};

} // namespace tavlin::backdrops
