#pragma once

#include "Field.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <functional>

namespace tavlin::backdrops {

// Transparent washes glazed over paper. Each wash is painted as a coverage mask, then given
// wandering edges, pigment pooled along the dried rim, granulation in the paper's pits and
// optional blooms, and multiplied onto what is already there.
class Watercolor
{
public:
    struct Wash
    {
        double opacity = 0.85;
        double softness = 2.0;     // edge blur, in pixels at 1600 lines
        double wobble = 10.0;      // edge wander, in pixels at 1600 lines
        double darkEdge = 0.6;     // pigment pooled along the rim
        double granulation = 0.35; // pigment settling into the paper texture
        double unevenness = 0.25;  // large, soft density variation
        int blooms = 0;            // cauliflower backruns
    };

    Watercolor(QSize size, const QColor& paper, quint32 seed);

    QSize size() const { return m_size; }
    // Pixels per reference pixel at 1600 lines, for sizing shapes.
    double unit() const { return m_unit; }

    // `shape` paints coverage into a transparent layer; alpha is the pigment density.
    void wash(const QColor& pigment, const Wash& style,
              const std::function<void(QPainter&)>& shape);
    // Blots pigment back off towards the paper, as a damp tissue would.
    void lift(double amount, const std::function<void(QPainter&)>& shape);
    QImage finish() const;

private:
    QImage paintLayer(const std::function<void(QPainter&)>& shape) const;

    QSize m_size;
    double m_unit;
    QColor m_paper;
    quint32 m_seed;
    int m_washes = 0;
    Field m_red;
    Field m_green;
    Field m_blue;
    Field m_tooth;
};

} // namespace tavlin::backdrops
