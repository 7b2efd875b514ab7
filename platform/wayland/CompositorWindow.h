#pragma once

#include "platform/WindowInfo.h"

#include <QList>
#include <QString>

namespace tavlin {

// One window as a compositor's IPC describes it: where it is, and enough to tell which
// application it belongs to.
struct CompositorWindow
{
    WindowInfo info;  // bounds in Qt's global (logical) coordinates
    QString appId;    // the Wayland app id, or the X11 class of an Xwayland window
    QString instance; // the X11 instance of an Xwayland window; empty otherwise
    bool focused = false;
    // Counts as an application's own window: its process is known and it is not an X11
    // dialog, menu or toolbar that belongs to another window.
    bool regular = false;
};

// Exact comparison: a sub-pixel move is a change.
bool sameWindows(const QList<CompositorWindow>& a, const QList<CompositorWindow>& b);

} // namespace tavlin
