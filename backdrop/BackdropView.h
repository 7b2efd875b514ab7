#pragma once

#include "backdrop/BackdropImage.h"

#include <QWidget>

namespace tavlin {

// Shows a backdrop edge to edge: scaled uniformly until it covers the view, centred, the excess
// cropped.
class BackdropView : public QWidget
{
    Q_OBJECT
public:
    explicit BackdropView(BackdropImage image, QWidget* parent = nullptr);
    const BackdropImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    BackdropImage m_image;
};

} // namespace tavlin
