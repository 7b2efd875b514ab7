#pragma once

#include <QEasingCurve>
#include <functional>

class QObject;

namespace tavlin {
class OverlaySurface;
}

namespace tavlin::OverlayFade {

inline constexpr int fadeInMs = 180;
inline constexpr int fadeOutMs = 120;
// A fade in starts once the surface's first frame is on screen, or after this long without one.
inline constexpr int presentWaitMs = 1000;

// Fast start, long soft landing: most of the change happens in the first quarter.
QEasingCurve timingCurve();

// Shows the surface; animated, it goes from transparent to opaque (restarting from transparent
// if it was already visible). The animation belongs to `owner`, one at a time.
void fadeIn(OverlaySurface& surface, QObject* owner, bool animated);

// Ends a fade in that is still running, or still waiting for its first frame, at once: the
// surface is opaque afterwards. A fade out is left alone.
void completeFadeIn(OverlaySurface& surface, QObject* owner);

// Animated, it fades to transparent and is hidden afterwards; otherwise hidden at once with its
// opacity untouched. `hidden` runs once the surface is off screen.
void fadeOut(OverlaySurface& surface, QObject* owner, bool animated,
             std::function<void()> hidden = {});

} // namespace tavlin::OverlayFade
