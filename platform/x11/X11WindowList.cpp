#include "platform/x11/X11WindowList.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <vector>

namespace tavlin {

namespace {

// left, right, top, bottom, as both extents properties list them.
QMargins extents(const QList<quint32>& values)
{
    if (values.size() < 4)
        return {};
    return {int(values[0]), int(values[2]), int(values[1]), int(values[3])};
}

// Asks for events on a window that may be gone already; the error is dropped, not left for Qt.
void selectEvents(xcb_connection_t* c, xcb_window_t window, uint32_t mask)
{
    const xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask);
    xcb_discard_reply(c, cookie.sequence);
}

constexpr quint32 everyDesktop = 0xFFFFFFFF;
constexpr double opaque = 0xFFFFFFFF;

enum ClientProperty { Type, State, Desktop, Pid, Opacity, FrameExtents, ClientShadows, Count };

constexpr std::array<X11Connection::Atom, Count> clientProperties{
    X11Connection::NetWmWindowType,    X11Connection::NetWmState,
    X11Connection::NetWmDesktop,       X11Connection::NetWmPid,
    X11Connection::NetWmWindowOpacity, X11Connection::NetFrameExtents,
    X11Connection::GtkFrameExtents,
};

} // namespace

X11WindowList::X11WindowList(std::shared_ptr<X11Connection> connection, QObject* parent)
    : WindowList(parent), m_connection(std::move(connection))
{
    if (m_connection)
        m_connection->listen(this,
                             [this](const xcb_generic_event_t& event) { handleEvent(event); });
}

QList<WindowInfo> X11WindowList::windows()
{
    if (!m_connection)
        return {};
    if (m_stackDirty)
        refreshStacking();
    if (m_anyClientDirty)
        refreshClients();
    if (m_resultDirty)
        rebuild();
    return m_windows;
}

void X11WindowList::handleEvent(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (property.window == m_connection->root()) {
            if (property.atom == m_connection->atom(X11Connection::NetClientListStacking) ||
                property.atom == m_connection->atom(X11Connection::NetCurrentDesktop)) {
                m_stackDirty = true;
                notifyChanged();
            }
            return;
        }
        if (!m_clients.contains(property.window))
            return;
        for (const X11Connection::Atom name : clientProperties) {
            if (property.atom == m_connection->atom(name)) {
                markDirty(property.window);
                return;
            }
        }
        return;
    }
    case XCB_CONFIGURE_NOTIFY:
        markDirty(reinterpret_cast<const xcb_configure_notify_event_t&>(event).window);
        return;
    case XCB_MAP_NOTIFY:
        markDirty(reinterpret_cast<const xcb_map_notify_event_t&>(event).window);
        return;
    case XCB_UNMAP_NOTIFY:
        markDirty(reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window);
        return;
    case XCB_REPARENT_NOTIFY: {
        const xcb_window_t window =
            reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
        const auto client = m_clients.find(window);
        if (client == m_clients.end())
            return;
        // A new frame: find it and watch it on the next refresh.
        m_clientOfFrame.remove(client->frame);
        client->frame = XCB_WINDOW_NONE;
        client->watched = false;
        markDirty(window);
        return;
    }
    case XCB_DESTROY_NOTIFY: {
        const xcb_window_t window =
            reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
        if (m_clientOfFrame.contains(window)) {
            markDirty(m_clientOfFrame.take(window));
        } else if (const auto client = m_clients.find(window); client != m_clients.end()) {
            m_clientOfFrame.remove(client->frame);
            m_clients.erase(client);
            m_stack.removeAll(window);
            m_resultDirty = true;
            notifyChanged();
        }
        return;
    }
    default:
        return;
    }
}

void X11WindowList::markDirty(xcb_window_t window)
{
    auto client = m_clients.find(window);
    if (client == m_clients.end())
        client = m_clients.find(m_clientOfFrame.value(window, XCB_WINDOW_NONE));
    if (client == m_clients.end())
        return;
    client->dirty = true;
    m_anyClientDirty = true;
    notifyChanged();
}

void X11WindowList::notifyChanged()
{
    // A move or a restack comes as a burst of events; report it once.
    if (m_changeQueued)
        return;
    m_changeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_changeQueued = false;
        Q_EMIT changed();
    });
}

void X11WindowList::refreshStacking()
{
    xcb_connection_t* c = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    const xcb_get_property_cookie_t stackCookie =
        xcb_get_property(c, 0, root, m_connection->atom(X11Connection::NetClientListStacking),
                         XCB_ATOM_WINDOW, 0, 65536);
    const xcb_get_property_cookie_t desktopCookie = xcb_get_property(
        c, 0, root, m_connection->atom(X11Connection::NetCurrentDesktop), XCB_ATOM_CARDINAL, 0, 1);
    ++m_roundTrips;
    const QList<quint32> bottomFirst =
        values32(takeReply(c, stackCookie, xcb_get_property_reply).get());
    const QList<quint32> desktop =
        values32(takeReply(c, desktopCookie, xcb_get_property_reply).get());
    m_currentDesktop = desktop.isEmpty() ? 0 : desktop.first();

    m_stack = QList<xcb_window_t>(bottomFirst.rbegin(), bottomFirst.rend());
    const QSet<xcb_window_t> listed(m_stack.cbegin(), m_stack.cend());
    for (auto client = m_clients.begin(); client != m_clients.end();) {
        if (listed.contains(client.key())) {
            ++client;
        } else {
            m_clientOfFrame.remove(client->frame);
            client = m_clients.erase(client);
        }
    }
    for (const xcb_window_t window : std::as_const(m_stack)) {
        if (!m_clients.contains(window)) {
            m_clients.insert(window, Client{});
            m_anyClientDirty = true;
        }
    }
    m_stackDirty = false;
    m_resultDirty = true;
}

void X11WindowList::refreshClients()
{
    struct Pending
    {
        xcb_window_t window;
        bool findFrame;
        xcb_query_tree_cookie_t tree;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        std::array<xcb_get_property_cookie_t, Count> properties;
    };
    xcb_connection_t* c = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    std::vector<Pending> pending;
    for (auto client = m_clients.cbegin(); client != m_clients.cend(); ++client) {
        if (!client->dirty)
            continue;
        const xcb_window_t window = client.key();
        Pending p{};
        p.window = window;
        p.findFrame = !client->watched;
        // Events first, so that no change slips in between reading and watching.
        if (p.findFrame) {
            selectEvents(c, window,
                         XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            p.tree = xcb_query_tree(c, window);
        }
        p.attributes = xcb_get_window_attributes(c, window);
        p.geometry = xcb_get_geometry(c, window);
        p.origin = xcb_translate_coordinates(c, window, root, 0, 0);
        for (int i = 0; i < Count; ++i)
            p.properties[size_t(i)] = xcb_get_property(
                c, 0, window, m_connection->atom(clientProperties[size_t(i)]), XCB_ATOM_ANY, 0, 32);
        pending.push_back(p);
    }
    m_anyClientDirty = false;
    m_resultDirty = true;
    if (pending.empty())
        return;

    ++m_roundTrips;
    bool watchedFrames = false;
    for (const Pending& p : pending) {
        XcbReply<xcb_query_tree_reply_t> tree;
        if (p.findFrame)
            tree = takeReply(c, p.tree, xcb_query_tree_reply);
        const auto attributes = takeReply(c, p.attributes, xcb_get_window_attributes_reply);
        const auto geometry = takeReply(c, p.geometry, xcb_get_geometry_reply);
        const auto origin = takeReply(c, p.origin, xcb_translate_coordinates_reply);
        std::array<QList<quint32>, Count> values;
        for (int i = 0; i < Count; ++i)
            values[size_t(i)] =
                values32(takeReply(c, p.properties[size_t(i)], xcb_get_property_reply).get());
        if (!attributes || !geometry || !origin) {
            // Gone while we asked: drop it; the stacking list will follow.
            if (const auto client = m_clients.find(p.window); client != m_clients.end()) {
                m_clientOfFrame.remove(client->frame);
                m_clients.erase(client);
            }
            m_stack.removeAll(p.window);
            continue;
        }
        Client& client = m_clients[p.window];
        client.dirty = false;
        if (tree) {
            client.watched = true;
            if (tree->parent != root && tree->parent != XCB_WINDOW_NONE) {
                client.frame = tree->parent;
                m_clientOfFrame.insert(client.frame, p.window);
                selectEvents(c, client.frame, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                watchedFrames = true;
            }
        }
        const QList<quint32>& types = values[Type];
        client.normalType =
            types.isEmpty() ||
            types.first() == m_connection->atom(X11Connection::NetWmWindowTypeNormal) ||
            types.first() == m_connection->atom(X11Connection::NetWmWindowTypeDialog);
        client.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        client.hidden = values[State].contains(m_connection->atom(X11Connection::NetWmStateHidden));
        client.desktop = values[Desktop].isEmpty()
                             ? std::nullopt
                             : std::optional<quint32>(values[Desktop].first());
        client.pid = values[Pid].isEmpty() ? std::nullopt
                                           : std::optional<qint32>(qint32(values[Pid].first()));
        client.opacity = values[Opacity].isEmpty()
                             ? std::nullopt
                             : std::optional<double>(values[Opacity].first() / opaque);
        client.rect = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        client.frameExtents = extents(values[FrameExtents]);
        client.clientSideShadows = extents(values[ClientShadows]);
    }
    if (watchedFrames)
        xcb_flush(c);
}

void X11WindowList::rebuild()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    m_windows.clear();
    m_windows.reserve(m_stack.size());
    for (const xcb_window_t window : std::as_const(m_stack)) {
        const auto client = m_clients.constFind(window);
        if (client == m_clients.cend())
            continue;
        WindowInfo info;
        info.pid = client->pid;
        info.opacity = client->opacity;
        // A window without a desktop of its own shows wherever the user is.
        const bool onThisDesktop = !client->desktop || *client->desktop == m_currentDesktop ||
                                   *client->desktop == everyDesktop;
        info.ordinary = client->normalType && client->viewable && !client->hidden && onThisDesktop;
        const QRect visible = client->rect.marginsAdded(client->frameExtents)
                                  .marginsRemoved(client->clientSideShadows);
        info.bounds = ratio == 1.0 ? QRectF(visible)
                                   : QRectF(visible.x() / ratio, visible.y() / ratio,
                                            visible.width() / ratio, visible.height() / ratio);
        m_windows.append(info);
    }
    m_resultDirty = false;
}

} // namespace tavlin
