#include "Buildings.h"

#include "Palette.h"

#include <QPainterPath>
#include <QPolygonF>

namespace tavlin::backdrops {

namespace {

void fillPolygon(QPainter& p, const QPolygonF& poly, const QColor& color)
{
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    p.fillPath(path, color);
}

void paintWindow(QPainter& p, const QRectF& r, const BuildingColors& c, double unit)
{
    p.fillRect(r.adjusted(-unit, -unit, unit, unit), c.trim);
    p.fillRect(r, c.window);
    // Upper sash catches the sky.
    p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() * 0.45), shade(c.window, 1.25));
    QPen bar(c.trim, unit * 0.7);
    p.setPen(bar);
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    p.setPen(Qt::NoPen);
}

// A window on the receding wall, sheared to follow it.
void paintSideWindow(QPainter& p, QPointF bottomLeft, double w, double h, double slope,
                     const BuildingColors& c, double unit)
{
    const QPolygonF frame{bottomLeft + QPointF(-unit, unit),
                          bottomLeft + QPointF(w + unit, w * slope + unit),
                          bottomLeft + QPointF(w + unit, w * slope - h - unit),
                          bottomLeft + QPointF(-unit, -h - unit)};
    fillPolygon(p, frame, shade(c.trim, 0.85));
    const QPolygonF glass{bottomLeft, bottomLeft + QPointF(w, w * slope),
                          bottomLeft + QPointF(w, w * slope - h), bottomLeft + QPointF(0, -h)};
    fillPolygon(p, glass, shade(c.window, 0.85));
}

} // namespace

void paintFarmhouse(QPainter& p, QPointF foot, double width, const BuildingColors& c)
{
    p.save();
    p.setPen(Qt::NoPen);
    const double unit = width / 160.0;
    const double front = width * 0.42;
    const double wallH = width * 0.3;
    const double gable = front * 0.5;
    const double depth = width * 0.58;
    const double slope = -0.1;
    const double overhang = width * 0.025;
    const double x0 = foot.x();
    const double y0 = foot.y();
    const QPointF peak(x0 + front / 2, y0 - wallH - gable);

    // Chimney first so the roof overlaps its foot.
    const double cx = x0 + front / 2 + depth * 0.7;
    fillPolygon(
        p,
        QPolygonF{{cx, y0 - wallH - gable + depth * 0.7 * slope + gable * 0.3},
                  {cx, y0 - wallH - gable * 1.45 + depth * 0.7 * slope},
                  {cx + width * 0.05, y0 - wallH - gable * 1.45 + depth * 0.75 * slope},
                  {cx + width * 0.05, y0 - wallH - gable + depth * 0.75 * slope + gable * 0.3}},
        shade(c.roofShade, 0.8));

    const QPolygonF side{{x0 + front, y0},
                         {x0 + front + depth, y0 + depth * slope},
                         {x0 + front + depth, y0 + depth * slope - wallH},
                         {x0 + front, y0 - wallH}};
    fillPolygon(p, side, c.wallShade);
    const QPolygonF end{
        {x0, y0}, {x0 + front, y0}, {x0 + front, y0 - wallH}, peak, {x0, y0 - wallH}};
    fillPolygon(p, end, c.wall);
    // Clapboard lines on both walls.
    p.setPen(QPen(shade(c.wall, 0.93), unit * 0.5));
    for (double y = y0 - wallH * 0.08; y > y0 - wallH - gable * 0.9; y -= wallH * 0.08) {
        const double inset = y < y0 - wallH ? (y0 - wallH - y) / gable * front / 2 : 0.0;
        p.drawLine(QPointF(x0 + inset + unit, y), QPointF(x0 + front - inset - unit, y));
    }
    p.setPen(QPen(shade(c.wallShade, 0.92), unit * 0.5));
    for (double y = wallH * 0.08; y < wallH; y += wallH * 0.08)
        p.drawLine(QPointF(x0 + front, y0 - y),
                   QPointF(x0 + front + depth, y0 - y + depth * slope));
    p.setPen(Qt::NoPen);

    const QPolygonF roof{
        peak + QPointF(0, -unit), peak + QPointF(depth + overhang, depth * slope - unit),
        QPointF(x0 + front + depth + overhang * 1.5, y0 - wallH + depth * slope + overhang),
        QPointF(x0 + front + overhang, y0 - wallH + overhang)};
    fillPolygon(p, roof, c.roof);
    // Eave shadow along the top of the side wall.
    fillPolygon(p,
                QPolygonF{{x0 + front, y0 - wallH + overhang},
                          {x0 + front + depth, y0 - wallH + depth * slope + overhang},
                          {x0 + front + depth, y0 - wallH + depth * slope + overhang * 2.2},
                          {x0 + front, y0 - wallH + overhang * 2.2}},
                withAlpha(QColor(0, 0, 0), 0.18));
    // Barge boards trace the gable.
    QPen barge(c.trim, unit * 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(barge);
    p.drawPolyline(QPolygonF{{x0 - overhang, y0 - wallH + overhang},
                             peak,
                             {x0 + front + overhang, y0 - wallH + overhang}});
    p.setPen(QPen(c.trim, unit * 1.6));
    p.drawLine(QPointF(x0 + unit, y0), QPointF(x0 + unit, y0 - wallH));
    p.drawLine(QPointF(x0 + front, y0), QPointF(x0 + front, y0 - wallH));
    p.setPen(Qt::NoPen);

    const double ww = front * 0.17;
    const double wh = wallH * 0.3;
    paintWindow(p, QRectF(x0 + front * 0.13, y0 - wallH * 0.62, ww, wh), c, unit);
    paintWindow(p, QRectF(x0 + front * 0.7, y0 - wallH * 0.62, ww, wh), c, unit);
    paintWindow(p, QRectF(x0 + front / 2 - ww / 2, y0 - wallH - gable * 0.62, ww, wh * 0.9), c,
                unit);
    // Door between the ground-floor windows.
    const QRectF door(x0 + front * 0.41, y0 - wallH * 0.55, front * 0.18, wallH * 0.55);
    p.fillRect(door.adjusted(-unit, -unit, unit, 0), c.trim);
    p.fillRect(door, shade(c.roof, 0.9));
    for (int i = 0; i < 3; ++i)
        paintSideWindow(p,
                        QPointF(x0 + front + depth * (0.14 + 0.3 * i),
                                y0 - wallH * 0.3 + depth * (0.14 + 0.3 * i) * slope),
                        depth * 0.13, wh, slope, c, unit);
    p.restore();
}

void paintBarn(QPainter& p, QPointF foot, double width, const BuildingColors& c)
{
    p.save();
    p.setPen(Qt::NoPen);
    const double unit = width / 160.0;
    const double front = width * 0.42;
    const double wallH = width * 0.24;
    const double gable = front * 0.55;
    const double depth = width * 0.58;
    const double slope = -0.1;
    const double x0 = foot.x();
    const double y0 = foot.y();
    const QPointF eaveL(x0, y0 - wallH);
    const QPointF eaveR(x0 + front, y0 - wallH);
    const QPointF kneeL(x0 + front * 0.13, y0 - wallH - gable * 0.62);
    const QPointF kneeR(x0 + front * 0.87, y0 - wallH - gable * 0.62);
    const QPointF peak(x0 + front / 2, y0 - wallH - gable);
    const QPointF back(depth, depth * slope);

    fillPolygon(p, QPolygonF{{x0 + front, y0}, QPointF(x0 + front, y0) + back, eaveR + back, eaveR},
                c.wallShade);
    // Vertical boards on the long side.
    p.setPen(QPen(shade(c.wallShade, 0.88), unit * 0.5));
    for (double t = 0.05; t < 1.0; t += 0.05)
        p.drawLine(QPointF(x0 + front, y0) + back * t, eaveR + back * t);
    p.setPen(Qt::NoPen);
    const QPolygonF end{{x0, y0}, {x0 + front, y0}, eaveR, kneeR, peak, kneeL, eaveL};
    fillPolygon(p, end, c.wall);
    p.setPen(QPen(shade(c.wall, 0.92), unit * 0.5));
    for (double t = 0.06; t < 1.0; t += 0.06) {
        const double x = x0 + front * t;
        const double top =
            t < 0.5 ? (t < 0.13 ? eaveL.y() + (kneeL.y() - eaveL.y()) * t / 0.13
                                : kneeL.y() + (peak.y() - kneeL.y()) * (t - 0.13) / 0.37)
                    : (t > 0.87 ? eaveR.y() + (kneeR.y() - eaveR.y()) * (1 - t) / 0.13
                                : kneeR.y() + (peak.y() - kneeR.y()) * (0.87 - t) / 0.37);
        p.drawLine(QPointF(x, y0), QPointF(x, top + unit * 2));
    }
    p.setPen(Qt::NoPen);
    const QPointF lift(0, -unit);
    fillPolygon(p, QPolygonF{peak + lift, peak + back + lift, kneeR + back, kneeR}, c.roof);
    fillPolygon(p,
                QPolygonF{kneeR, kneeR + back, eaveR + back + QPointF(unit * 3, unit * 3),
                          eaveR + QPointF(unit * 3, unit * 3)},
                c.roofShade);
    p.setPen(QPen(c.trim, unit * 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(QPolygonF{eaveL + QPointF(-unit * 3, unit * 3), kneeL, peak, kneeR,
                             eaveR + QPointF(unit * 3, unit * 3)});
    p.drawLine(QPointF(x0 + unit, y0), eaveL + QPointF(unit, 0));
    p.drawLine(QPointF(x0 + front, y0), eaveR);

    // Big sliding door with the white cross bracing, and the hay loft above it.
    const QRectF door(x0 + front * 0.27, y0 - wallH * 0.78, front * 0.46, wallH * 0.78);
    p.setPen(Qt::NoPen);
    p.fillRect(door, shade(c.wall, 0.8));
    p.setPen(QPen(c.trim, unit * 1.8));
    p.drawRect(door);
    p.drawLine(door.topLeft(), door.bottomRight());
    p.drawLine(door.bottomLeft(), door.topRight());
    p.drawLine(QPointF(door.center().x(), door.top()), QPointF(door.center().x(), door.bottom()));
    const QRectF loft(x0 + front * 0.4, y0 - wallH - gable * 0.55, front * 0.2, gable * 0.32);
    p.setPen(Qt::NoPen);
    p.fillRect(loft, shade(c.wall, 0.55));
    p.setPen(QPen(c.trim, unit * 1.6));
    p.drawRect(loft);
    p.drawLine(loft.topLeft(), loft.bottomRight());
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const double t = 0.18 + 0.28 * i;
        const QPointF bl = QPointF(x0 + front, y0 - wallH * 0.35) + back * t;
        const double w = depth * 0.1;
        const double h = wallH * 0.28;
        fillPolygon(p,
                    QPolygonF{bl + QPointF(-unit, unit), bl + QPointF(w + unit, w * slope + unit),
                              bl + QPointF(w + unit, w * slope - h - unit),
                              bl + QPointF(-unit, -h - unit)},
                    c.trim);
        fillPolygon(p,
                    QPolygonF{bl, bl + QPointF(w, w * slope), bl + QPointF(w, w * slope - h),
                              bl + QPointF(0, -h)},
                    c.window);
    }
    p.restore();
}

} // namespace tavlin::backdrops
