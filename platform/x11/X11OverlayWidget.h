#pragma once

#include "platform/OverlayLevel.h"

#include <QWidget>

namespace tavlin {

class OverlayContent;

// The native window behind an X11 overlay surface: a frameless top-level widget whose pixels
// are whatever the content paints, transparent elsewhere.
class X11OverlayWidget : public QWidget
{
    Q_OBJECT
public:
    explicit X11OverlayWidget(OverlayContent& content);

    // Without a compositor transparent pixels show black: then the window is cut to the
    // content's shape instead.
    void setShaped(bool shaped);
    bool isShaped() const { return m_shaped; }
    void applyShape();

Q_SIGNALS:
    // After each paint of the window's pixels.
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    OverlayContent& m_content;
    bool m_shaped = false;
};

} // namespace tavlin
