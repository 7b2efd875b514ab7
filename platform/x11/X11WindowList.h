#pragma once

#include "platform/WindowList.h"
#include "platform/x11/ClientPlacement.h"

#include <QHash>
#include <QList>
#include <QMargins>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace tavlin {

class X11Connection;

// The managed clients from the window manager's stacking list. What was read stays cached and
// X events keep it current: moves and resizes come with their ConfigureNotify, a property is
// read again only when a PropertyNotify names it, so neither a still screen nor a dragged
// window costs a round trip.
class X11WindowList : public WindowList
{
    Q_OBJECT
public:
    explicit X11WindowList(std::shared_ptr<X11Connection> connection, QObject* parent = nullptr);

    std::optional<QList<WindowInfo>> windows() override;
    // Bounds are in the X server's pixels. Qt keeps each screen's corner at its place there and
    // divides only what lies inside by the screen's device pixel ratio, so at a scale other
    // than 1 its global space has gaps between screens and no one rectangle fits them all.
    ScreenMapping mappingFor(const QScreen& screen) const override;

    // How often this waited for the server; each batch of requests counts once.
    quint64 roundTrips() const { return m_roundTrips; }

private:
    enum Property { Type, State, Desktop, Pid, Opacity, FrameExtents, ClientShadows, Count };
    static constexpr quint8 allProperties = (1u << Count) - 1;

    // What was last read of one client, raw; the current desktop is applied when listing.
    struct Client
    {
        bool needsFullRead = true; // placement and map state; the first read also finds the frame
        bool watched = false;      // events selected on it and its frame
        quint8 staleProperties = allProperties;
        xcb_window_t frame = XCB_WINDOW_NONE;
        bool normalType = true;
        bool viewable = false;
        bool hidden = false;
        std::optional<quint32> desktop;
        std::optional<qint32> pid;
        std::optional<double> opacity;
        ClientPlacement placement;
        QMargins frameExtents;      // decorations the window manager adds
        QMargins clientSideShadows; // drawn by the client inside its own area
    };

    void handleEvent(const xcb_generic_event_t& event);
    void configured(const xcb_configure_notify_event_t& event);
    Client* clientOf(xcb_window_t window);
    void needFullRead(xcb_window_t window);
    void forget(xcb_window_t window);
    void notifyChanged();
    bool refreshStacking();
    void refreshClients();
    void findFramePlacement(const QList<xcb_window_t>& framed);
    void storeProperty(Client& client, Property property, const QList<quint32>& values);
    void rebuild();

    std::shared_ptr<X11Connection> m_connection;
    QList<xcb_window_t> m_stack; // front-most first
    QHash<xcb_window_t, Client> m_clients;
    QHash<xcb_window_t, xcb_window_t> m_clientOfFrame;
    quint32 m_currentDesktop = 0;
    bool m_stackDirty = true;
    bool m_stackKnown = false;
    bool m_anyClientStale = false;
    bool m_resultDirty = true;
    bool m_changeQueued = false;
    QList<WindowInfo> m_windows;
    quint64 m_roundTrips = 0;
};

} // namespace tavlin
