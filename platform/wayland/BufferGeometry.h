#pragma once

#include <QRect>
#include <QRegion>
#include <QSize>

namespace tavlin::BufferGeometry {

// The buffer that shows a surface of `logical` size sharply at `scale` device pixels per
// logical pixel (2 on a HiDPI output, 1.25 with fractional scaling): rounded to whole pixels.
QSize bufferSize(const QSize& logical, double scale);

// The device pixels a logical area touches in a buffer of `buffer` size: rounded outwards, so
// a repaint covers every pixel it changes, and cut to the buffer.
QRegion deviceRegion(const QRegion& logical, double scale, const QSize& buffer);

// The whole logical pixels that cover `device` at `scale`: what to paint so that every pixel of
// `device` is painted afresh.
QRegion logicalCover(const QRegion& device, double scale);

} // namespace tavlin::BufferGeometry
