#pragma once

#include <QEasingCurve>
#include <functional>

class QWidget;

namespace tavlin::OverlayFade {

inline constexpr int fadeInMs = 180;
inline constexpr int fadeOutMs = 120;

// Fast start, long soft landing: most of the change happens in the first quarter.
QEasingCurve timingCurve();

// Shows the window; animated, it goes from transparent to opaque (restarting from transparent
// if it was already visible).
void fadeIn(QWidget* window, bool animated);

// Animated, it fades to transparent and is hidden afterwards; otherwise hidden at once with its
// opacity untouched. `hidden` runs once the window is off screen.
void fadeOut(QWidget* window, bool animated, std::function<void()> hidden = {});

} // namespace tavlin::OverlayFade
