#pragma once

#include "backdrop/BackdropImage.h"
#include "platform/OverlayContent.h"

namespace tavlin {

// Shows a backdrop edge to edge: scaled uniformly until it covers the surface, centred, the
// excess cropped.
class BackdropView : public OverlayContent
{
public:
    explicit BackdropView(BackdropImage image) : m_image(std::move(image)) {}
    const BackdropImage& image() const { return m_image; }

    void paint(QPainter& painter, const QSize& size, const QRegion& area, bool shaped) override;

private:
    BackdropImage m_image;
};

} // namespace tavlin
