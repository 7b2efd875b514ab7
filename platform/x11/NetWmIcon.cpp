#include "platform/x11/NetWmIcon.h"

#include <cstring>

namespace tavlin::NetWmIcon {

namespace {

// Larger than any icon a menu shows; also keeps width × height far from overflowing.
constexpr quint32 maxSide = 1024;

} // namespace

QList<QImage> images(const QList<quint32>& data)
{
    QList<QImage> result;
    qsizetype at = 0;
    while (data.size() - at >= 2) {
        const quint32 width = data[at];
        const quint32 height = data[at + 1];
        at += 2;
        if (width == 0 || height == 0 || width > maxSide || height > maxSide ||
            qsizetype(width) * height > data.size() - at)
            break;
        // Both are 0xAARRGGBB in the machine's own order, not premultiplied.
        QImage image(int(width), int(height), QImage::Format_ARGB32);
        for (quint32 y = 0; y < height; ++y)
            std::memcpy(image.scanLine(int(y)), data.constData() + at + qsizetype(y) * width,
                        width * sizeof(quint32));
        at += qsizetype(width) * height;
        result.append(image);
    }
    return result;
}

} // namespace tavlin::NetWmIcon
