#pragma once

namespace tavlin {

// Where an overlay sits among the other windows, bottom to top.
enum class OverlayLevel {
    Cover,           // directly above the desktop icons, below every ordinary window
    Spotlight,       // above ordinary windows, below the panels
    SpotlightPanels, // above the panels too
    Reminder,        // above every overlay
};

} // namespace tavlin
