#pragma once

#include "platform/OverlayLevel.h"

#include <QList>
#include <QSet>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

class QWidget;

namespace tavlin {

class X11Connection;

// Covers are desktop-type windows restacked directly above the desktop-icon windows (which are
// desktop-type windows of the file manager). Spotlight overlays are override-redirect windows
// kept directly above the top-most managed window (below or above the panels); the reminder
// sits above everything.
class X11WindowStacking
{
public:
    explicit X11WindowStacking(std::shared_ptr<X11Connection> connection);

    // Before the window is first shown: its type, on every virtual desktop, out of taskbars,
    // pagers and window cycling.
    void prepare(QWidget* window, OverlayLevel level);

    // After they are shown, and whenever others may have moved: restacks the windows of one
    // level only when their place is wrong, so it is cheap to call on every stacking change.
    void keepStacked(const QList<QWidget*>& windows, OverlayLevel level);

private:
    void keepCoversAboveIcons(const QList<xcb_window_t>& covers);
    // The root's children bottom to top, and which of them hold managed windows and panels.
    struct RootStack
    {
        QList<xcb_window_t> children;
        QSet<xcb_window_t> managed;
        QSet<xcb_window_t> panels;
    };
    RootStack readRootStack() const;
    // Directly above the top-most managed window, sparing the panels unless told otherwise.
    void keepAboveManaged(const QList<xcb_window_t>& windows, bool abovePanels);
    void keepOnTop(const QList<xcb_window_t>& windows);
    void restackAbove(xcb_window_t window, xcb_window_t sibling);

    std::shared_ptr<X11Connection> m_connection;
};

} // namespace tavlin
