#pragma once

#include "platform/wayland/CompositorWindow.h"

#include <QByteArray>
#include <QList>
#include <optional>

// What our KWin script reports about the windows: one JSON array, one object per window with
// its frame geometry, process, class, kind, state and place in KWin's stacking order.
namespace tavlin::KwinReport {

// Front-most first. A window is ordinary when it is a normal window or dialog, not minimised
// and on the current desktop. Layer-shell surfaces (ours and the panels' alike: KWin lists
// them as untitled windows left out of the taskbar) are no windows at all. The app id is the
// desktop-file name where KWin knows one, else the resource class. None when the report is
// not an array.
std::optional<QList<CompositorWindow>> windows(const QByteArray& json);

} // namespace tavlin::KwinReport
