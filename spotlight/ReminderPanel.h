#pragma once

#include "platform/CompositorWatch.h"
#include "platform/WindowStacking.h"

#include <QPainterPath>
#include <QRect>
#include <QWidget>

class QScreen;

namespace tavlin {

// Where the reminder goes within a screen's available area: centred across it, its top edge
// 16 pixels below the area's top.
QRect reminderGeometry(const QRect& available, const QSize& size);

// The reminder's floating window: a small dark rounded panel holding a ReminderView, above
// every overlay, which never takes focus and lets every click through to what lies beneath.
// It is placed on `screen` (not null) when created; show it with a fade.
class ReminderPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int cornerRadius = 12;

    ReminderPanel(QScreen* screen, WindowStacking& stacking, CompositorWatch& compositor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setComposited(bool composited);
    void applyShape();
    QPainterPath outline() const;

    bool m_composited = false;
};

} // namespace tavlin
