#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace tavlin::pixels {

QColor colorAt(const QImage& image, const QPoint& point);

// The average colour of the part of `area` inside the image; invalid when nothing is.
QColor meanColor(const QImage& image, const QRect& area);

// The largest difference of one channel between the two colours.
int distance(const QColor& a, const QColor& b);

// Whether `seen` is a blend of the two colours: on every channel between them, and further than
// `tolerance` from both.
bool isBlendOf(const QColor& seen, const QColor& a, const QColor& b, int tolerance = 12);

// Whether every pixel of `area` lies within `tolerance` (per channel) of `color`; an area
// reaching outside the image never does.
bool isUniform(const QImage& image, const QRect& area, const QColor& color, int tolerance = 2);

// How many pixels of `area` differ from `color` by more than `tolerance`.
int countDiffering(const QImage& image, const QRect& area, const QColor& color, int tolerance = 2);

// Text for a failure message: where, expected, and what was found.
QByteArray describe(const QImage& image, const QRect& area, const QColor& expected);

} // namespace tavlin::pixels
