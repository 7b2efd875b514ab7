#pragma once

#include <QImage>
#include <QPainter>

namespace tavlin::backdrops {

// An opaque picture with an antialiased painter already open on it. Scenes are laid out in
// fractions of the frame and sized in `unit()`s so every resolution shows the same picture.
class Canvas
{
public:
    explicit Canvas(QSize size);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    double width() const { return m_image.width(); }
    double height() const { return m_image.height(); }
    // One pixel at 1600 lines.
    double unit() const { return m_image.height() / 1600.0; }
    QPointF at(double fx, double fy) const { return {fx * width(), fy * height()}; }
    QPainter& painter() { return m_painter; }

    // Ends painting and hands the picture over.
    QImage finish();

private:
    QImage m_image;
    QPainter m_painter;
};

} // namespace tavlin::backdrops
