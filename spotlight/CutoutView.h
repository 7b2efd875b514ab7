#pragma once

#include "backdrop/BackdropImage.h"

#include <QList>
#include <QRectF>
#include <QWidget>

namespace tavlin {

// Fills its overlay with the backdrop and leaves rounded holes where the target windows are.
// With a compositor the holes are cleared to transparent, with smooth corners; without one,
// cleared pixels would show black, so the holes are cut out of the window's shape instead.
class CutoutView : public QWidget
{
    Q_OBJECT
public:
    static constexpr double holeCornerRadius = 10.0;

    explicit CutoutView(BackdropImage backdrop, QWidget* parent = nullptr);

    const BackdropImage& backdrop() const { return m_backdrop; }

    // In the view's coordinates. Setting them does not redraw: redraw() does.
    const QList<QRectF>& holes() const { return m_holes; }
    void setHoles(QList<QRectF> holes) { m_holes = std::move(holes); }
    void redraw();

    bool isShaped() const { return m_shaped; }
    void setShaped(bool shaped);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyShape();

    BackdropImage m_backdrop;
    QList<QRectF> m_holes;
    bool m_shaped = false;
};

} // namespace tavlin
