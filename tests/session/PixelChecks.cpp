#include "tests/session/PixelChecks.h"

#include <algorithm>
#include <cstdlib>

namespace tavlin::pixels {

QColor colorAt(const QImage& image, const QPoint& point)
{
    if (!image.rect().contains(point))
        return {};
    return image.pixelColor(point);
}

QColor meanColor(const QImage& image, const QRect& area)
{
    const QRect inside = area & image.rect();
    if (inside.isEmpty())
        return {};
    qint64 red = 0;
    qint64 green = 0;
    qint64 blue = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
    }
    const qint64 count = qint64(inside.width()) * inside.height();
    return QColor(int(red / count), int(green / count), int(blue / count));
}

int distance(const QColor& a, const QColor& b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
}

bool isBlendOf(const QColor& seen, const QColor& a, const QColor& b, int tolerance)
{
    const auto between = [](int v, int x, int y) {
        return v >= std::min(x, y) - 2 && v <= std::max(x, y) + 2;
    };
    return between(seen.red(), a.red(), b.red()) && between(seen.green(), a.green(), b.green()) &&
           between(seen.blue(), a.blue(), b.blue()) && distance(seen, a) > tolerance &&
           distance(seen, b) > tolerance;
}

int countDiffering(const QImage& image, const QRect& area, const QColor& color, int tolerance)
{
    const QRect inside = area & image.rect();
    int count =
        int(qint64(area.width()) * area.height() - qint64(inside.width()) * inside.height());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (distance(QColor(image.pixel(x, y)), color) > tolerance)
                ++count;
        }
    }
    return count;
}

bool isUniform(const QImage& image, const QRect& area, const QColor& color, int tolerance)
{
    return !area.isEmpty() && countDiffering(image, area, color, tolerance) == 0;
}

QByteArray describe(const QImage& image, const QRect& area, const QColor& expected)
{
    const QRect inside = area & image.rect();
    const QColor mean = meanColor(image, area);
    return QStringLiteral("area %1,%2 %3x%4: expected %5, mean %6, corner %7, %8 of %9 differ")
        .arg(area.x())
        .arg(area.y())
        .arg(area.width())
        .arg(area.height())
        .arg(expected.name(), mean.isValid() ? mean.name() : QStringLiteral("(outside)"),
             inside.isEmpty() ? QStringLiteral("-") : image.pixelColor(inside.topLeft()).name())
        .arg(countDiffering(image, area, expected))
        .arg(qint64(area.width()) * area.height())
        .toUtf8();
}

} // namespace tavlin::pixels
