#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

namespace tavlin::pixels {

QColor colorAt(const QImage& image, const QPoint& point);

// Whether the pixel at `point` lies within `tolerance` (per channel) of `color`.
bool shows(const QImage& image, const QPoint& point, const QColor& color, int tolerance = 12);

// Where the image shows the program's tray icon inside `area`: the bounding box of the pixels
// of its gradient, which runs from pink to yellow (strong red, clearly less blue).
QRect trayIconIn(const QImage& image, const QRect& area);

// The largest difference of one channel between the two colours.
int distance(const QColor& a, const QColor& b);

// Whether every pixel of `area` lies within `tolerance` (per channel) of `color`; an area
// reaching outside the image never does.
bool isUniform(const QImage& image, const QRect& area, const QColor& color, int tolerance = 2);

// How many pixels of `area` differ from `color` by more than `tolerance`.
int countDiffering(const QImage& image, const QRect& area, const QColor& color, int tolerance = 2);

// Waits for the colour at `point` of what `grab` shows to leave `from`, and says whether the
// first colour seen then (left in `seen`) was on the way to `to`: a blend of the two, or `to`.
bool fadesToward(const std::function<QImage()>& grab, const QPoint& point, const QColor& from,
                 const QColor& to, int tolerance, QColor* seen);

// A picture of one colour saved as a JPEG of the best quality, standing in for a photograph.
bool saveSolid(const QString& path, QRgb color);

// Text for a failure message: where, expected, and what was found.
QByteArray describe(const QImage& image, const QRect& area, const QColor& expected);

} // namespace tavlin::pixels
