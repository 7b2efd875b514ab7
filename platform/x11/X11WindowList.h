#pragma once

#include "platform/WindowList.h"

#include <QHash>
#include <QList>
#include <QRect>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace tavlin {

class X11Connection;

// The managed clients from the window manager's stacking list. What was read stays cached and
// X events say which client to read again, so an unchanged screen costs no round trip.
class X11WindowList : public WindowList
{
    Q_OBJECT
public:
    explicit X11WindowList(std::shared_ptr<X11Connection> connection, QObject* parent = nullptr);

    QList<WindowInfo> windows() override;

    // How often this waited for the server; each batch of requests counts once.
    quint64 roundTrips() const { return m_roundTrips; }

private:
    // What was last read of one client, raw; the current desktop is applied when listing.
    struct Client
    {
        bool dirty = true;
        bool watched = false; // events selected on it and its frame
        xcb_window_t frame = XCB_WINDOW_NONE;
        bool normalType = true;
        bool viewable = false;
        bool hidden = false;
        std::optional<quint32> desktop;
        std::optional<qint32> pid;
        std::optional<double> opacity;
        QRect rect;                 // the client's own area, root coordinates
        QMargins frameExtents;      // decorations the window manager adds
        QMargins clientSideShadows; // drawn by the client inside its own area
    };

    void handleEvent(const xcb_generic_event_t& event);
    void markDirty(xcb_window_t window);
    void notifyChanged();
    void refreshStacking();
    void refreshClients();
    void rebuild();

    std::shared_ptr<X11Connection> m_connection;
    QList<xcb_window_t> m_stack; // front-most first
    QHash<xcb_window_t, Client> m_clients;
    QHash<xcb_window_t, xcb_window_t> m_clientOfFrame;
    quint32 m_currentDesktop = 0;
    bool m_stackDirty = true;
    bool m_anyClientDirty = false;
    bool m_resultDirty = true;
    bool m_changeQueued = false;
    QList<WindowInfo> m_windows;
    quint64 m_roundTrips = 0;
};

} // namespace tavlin
