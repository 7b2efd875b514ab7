#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace tavlin::backdrops {

// The flat-illustration finish: a faint vignette and grain.
QImage finishIllustration(QImage image, quint32 seed);
// Fine monochrome grain; it also breaks up gradient banding before lossy encoding.
void addGrain(QImage& image, quint32 seed, double amount);
// Gentle darkening towards the corners.
void addVignette(QImage& image, double strength);
// Matte paint: faint streaks dragged by a flat brush and a fine paper grain.
void gouacheFinish(QImage& image, quint32 seed, double strength);
// Chalk catches the tooth of toned paper; where pressure is light, the paper shows through.
void pastelFinish(QImage& image, const QColor& paper, quint32 seed, double pressure);
QImage blurred(const QImage& image, int radius);
// `path` filled with `color` and blurred, on a transparent layer: for soft shadows, mist and glow.
QImage softShape(QSize size, const QPainterPath& path, int radius, const QColor& color);
// Paints what `draw` draws as something seen across some air: tinted a little towards `haze`
// and with its edges partly softened, so it sits in a painted scene instead of on top of it.
void paintInAir(QPainter& p, QSize size, int radius, const QColor& haze,
                const std::function<void(QPainter&)>& draw);

} // namespace tavlin::backdrops
