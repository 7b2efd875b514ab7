#include "app/SymbolPaths.h"

#include <QPainterPathStroker>

namespace tavlin::SymbolPaths {

namespace {

constexpr QPointF centre{designSize / 2, designSize / 2};

QPainterPath stroke(const QPainterPath& line, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(line);
}

QPainterPath circle(qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

} // namespace

QPainterPath eye()
{
    // Two arcs meeting at the corners; stroking the outline rounds the corners off.
    QPainterPath almond(QPointF(8, 50));
    almond.cubicTo(QPointF(28, 13), QPointF(72, 13), QPointF(92, 50));
    almond.cubicTo(QPointF(72, 87), QPointF(28, 87), QPointF(8, 50));
    almond.closeSubpath();
    const QPainterPath body = almond.united(stroke(almond, 8));
    return body.subtracted(circle(15));
}

QPainterPath eyeSlash()
{
    QPainterPath slash(QPointF(17, 13));
    slash.lineTo(QPointF(83, 87));
    constexpr qreal slashWidth = 10;
    constexpr qreal gap = 7;
    return eye().subtracted(stroke(slash, slashWidth + 2 * gap)).united(stroke(slash, slashWidth));
}

QPainterPath checkmarkCircle()
{
    QPainterPath check(QPointF(29, 52));
    check.lineTo(QPointF(44, 66));
    check.lineTo(QPointF(71, 36));
    return circle(46).subtracted(stroke(check, 11));
}

QPainterPath forName(const QString& symbolName)
{
    if (symbolName == QLatin1String("eye.fill"))
        return eye();
    if (symbolName == QLatin1String("eye.slash.fill"))
        return eyeSlash();
    if (symbolName == QLatin1String("checkmark.circle.fill"))
        return checkmarkCircle();
    return {};
}

} // namespace tavlin::SymbolPaths
