#pragma once

#include <QRectF>
#include <QtGlobal>
#include <optional>

namespace tavlin {

// One on-screen window as the window-system layer reports it. The list comes front-most first.
struct WindowInfo
{
    std::optional<qint32> pid; // owning process; unknown when the client does not say
    // A managed normal or dialog window that is mapped, not hidden and on the current desktop.
    // Docks, panels, menus and our own overlays are never ordinary.
    bool ordinary = false;
    std::optional<double> opacity; // 0 to 1; unknown when the window sets none
    // The visible frame, origin top-left, in the list's own coordinates: its mappingFor() puts
    // it on each screen.
    QRectF bounds;
};

} // namespace tavlin
