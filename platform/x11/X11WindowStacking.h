#pragma once

#include "platform/WindowStacking.h"

#include <memory>
#include <xcb/xcb.h>

namespace tavlin {

class X11Connection;

// Covers are desktop-type windows restacked directly above the desktop-icon windows (which are
// desktop-type windows of the file manager); the other levels are override-redirect windows
// raised above the managed ones.
class X11WindowStacking : public WindowStacking
{
public:
    explicit X11WindowStacking(std::shared_ptr<X11Connection> connection);

    void prepare(QWidget* window, OverlayLevel level) override;
    void keepStacked(const QList<QWidget*>& windows, OverlayLevel level) override;

private:
    void keepCoversAboveIcons(const QList<xcb_window_t>& covers);
    void keepOnTop(const QList<xcb_window_t>& windows);
    void restackAbove(xcb_window_t window, xcb_window_t sibling);

    std::shared_ptr<X11Connection> m_connection;
};

} // namespace tavlin
