#pragma once

#include "platform/OverlayContent.h"
#include "spotlight/ReminderView.h"

#include <QPainterPath>

namespace tavlin {

// The reminder's panel: a small dark rounded panel holding a ReminderView. Where the window
// system cannot blend, it is opaque and cut to its rounded outline.
class ReminderPanel : public OverlayContent
{
public:
    static constexpr int cornerRadius = 12;
    // Below the top of the screen's free area.
    static constexpr int topMargin = 16;

    QSize size() const { return m_view.sizeHint(); }

    void paint(QPainter& painter, const QSize& size, const QRegion& area, bool shaped) override;
    std::optional<QRegion> shape(const QSize& size) const override;

private:
    static QPainterPath outline(const QSize& size);

    ReminderView m_view;
};

} // namespace tavlin
