#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace tavlin {

// A backdrop ready to draw on one screen: a decoded picture, or the soft gradient, which is a
// drawing procedure rather than a bitmap so that it stays sharp at any size.
class BackdropImage
{
public:
    // The nominal size of the gradient, which decides how it is cropped by an aspect fill.
    static constexpr QSizeF gradientSize{1600, 1000};

    BackdropImage() = default; // the soft gradient
    explicit BackdropImage(QImage image) : m_image(std::move(image)) {}

    bool isGradient() const { return m_image.isNull(); }
    const QImage& image() const { return m_image; }
    QSizeF size() const;

    // Scales uniformly until `target` is covered, centred; what lies outside `target` is left to
    // the painter's clip.
    void drawAspectFill(QPainter& painter, const QRectF& target) const;

private:
    QImage m_image;
};

// Where an image of `imageSize` lands when it covers `target` uniformly and centred; an empty
// rectangle for an image without area.
QRectF aspectFillRect(const QSizeF& imageSize, const QRectF& target);

// The soft gradient: a dark blue-grey linear wash with a faint blue highlight up and to the left.
void drawSoftGradient(QPainter& painter, const QRectF& rect);

} // namespace tavlin
