#include "platform/wayland/BufferGeometry.h"

#include <cmath>

namespace tavlin::BufferGeometry {

namespace {

QRect scaledOutwards(const QRect& rect, double scale)
{
    const int left = int(std::floor(rect.x() * scale));
    const int top = int(std::floor(rect.y() * scale));
    const int right = int(std::ceil((rect.x() + rect.width()) * scale));
    const int bottom = int(std::ceil((rect.y() + rect.height()) * scale));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

} // namespace

QSize bufferSize(const QSize& logical, double scale)
{
    return QSize(int(std::lround(logical.width() * scale)),
                 int(std::lround(logical.height() * scale)));
}

QRegion deviceRegion(const QRegion& logical, double scale, const QSize& buffer)
{
    QRegion device;
    for (const QRect& rect : logical)
        device += scaledOutwards(rect, scale);
    return device & QRect(QPoint(0, 0), buffer);
}

QRegion logicalCover(const QRegion& device, double scale)
{
    QRegion logical;
    for (const QRect& rect : device)
        logical += scaledOutwards(rect, 1.0 / scale);
    return logical;
}

} // namespace tavlin::BufferGeometry
