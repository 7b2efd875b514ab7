#pragma once

#include <QColor>
#include <QPainter>

namespace tavlin::backdrops {

struct BuildingColors
{
    QColor wall;      // lit gable end
    QColor wallShade; // side wall, turned away from the light
    QColor roof;
    QColor roofShade;
    QColor trim;
    QColor window;
};

// Both buildings are drawn in a simple oblique view: the gable end faces the viewer on the
// left and the long side recedes to the right. `foot` is the lower-left corner of the gable end.
void paintFarmhouse(QPainter& p, QPointF foot, double width, const BuildingColors& c);
void paintBarn(QPainter& p, QPointF foot, double width, const BuildingColors& c);

} // namespace tavlin::backdrops
