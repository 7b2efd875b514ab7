#pragma once

#include <QList>

class QWidget;

namespace tavlin {

// Where an overlay sits among the other windows, bottom to top.
enum class OverlayLevel {
    Cover,           // directly above the desktop icons, below every ordinary window
    Spotlight,       // above ordinary windows, below the panels
    SpotlightPanels, // above the panels too
    Reminder,        // above every overlay
};

// Puts the program's overlay windows at their level and keeps them there.
class WindowStacking
{
public:
    virtual ~WindowStacking() = default;

    // Before the window is first shown: its type, on every virtual desktop, out of taskbars,
    // pagers and window cycling.
    virtual void prepare(QWidget* window, OverlayLevel level) = 0;

    // After it is shown, and whenever others may have moved: restacks the windows of one level
    // only when their place is wrong, so it is cheap to call on every stacking change.
    virtual void keepStacked(const QList<QWidget*>& windows, OverlayLevel level) = 0;
};

} // namespace tavlin
