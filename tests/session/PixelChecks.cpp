#include "tests/session/PixelChecks.h"

#include "tests/session/WaitFor.h"

#include <algorithm>
#include <cstdlib>

namespace tavlin::pixels {

QColor colorAt(const QImage& image, const QPoint& point)
{
    if (!image.rect().contains(point))
        return {};
    return image.pixelColor(point);
}

bool shows(const QImage& image, const QPoint& point, const QColor& color, int tolerance)
{
    return distance(colorAt(image, point), color) <= tolerance;
}

QRect trayIconIn(const QImage& image, const QRect& area)
{
    const QRect inside = area & image.rect();
    QRect found;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) > 200 && qRed(pixel) - qBlue(pixel) > 70 && qGreen(pixel) < 235)
                found |= QRect(x, y, 1, 1);
        }
    }
    return found;
}

int distance(const QColor& a, const QColor& b)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue())});
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

bool fadesToward(const std::function<QImage()>& grab, const QPoint& point, const QColor& from,
                 const QColor& to, int tolerance, QColor* seen)
{
    if (!waitFor([&] {
            *seen = colorAt(grab(), point);
            return distance(*seen, from) > tolerance;
        }))
        return false;
    // A blend is on every channel between the two colours; the same tolerance on both sides,
    // so a colour near the end of the fade counts as either.
    const auto between = [](int v, int x, int y) {
        return v >= std::min(x, y) - 2 && v <= std::max(x, y) + 2;
    };
    return distance(*seen, to) <= tolerance || (between(seen->red(), from.red(), to.red()) &&
                                                between(seen->green(), from.green(), to.green()) &&
                                                between(seen->blue(), from.blue(), to.blue()));
}

bool saveSolid(const QString& path, QRgb color)
{
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, "JPEG", 100);
}

QByteArray describe(const QImage& image, const QRect& area, const QColor& expected)
{
    const QRect inside = area & image.rect();
    return QStringLiteral("area %1,%2 %3x%4: expected %5, corner %6, %7 of %8 differ")
        .arg(area.x())
        .arg(area.y())
        .arg(area.width())
        .arg(area.height())
        .arg(expected.name(), inside.isEmpty() ? QStringLiteral("(outside)")
                                               : image.pixelColor(inside.topLeft()).name())
        .arg(countDiffering(image, area, expected))
        .arg(qint64(area.width()) * area.height())
        .toUtf8();
}

} // namespace tavlin::pixels
