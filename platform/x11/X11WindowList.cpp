#include "platform/x11/X11WindowList.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <QScreen>
#include <QSet>
#include <QTimer>
#include <array>
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

constexpr std::array<X11Connection::Atom, 7> propertyAtoms{
    X11Connection::NetWmWindowType,    X11Connection::NetWmState,
    X11Connection::NetWmDesktop,       X11Connection::NetWmPid,
    X11Connection::NetWmWindowOpacity, X11Connection::NetFrameExtents,
    X11Connection::GtkFrameExtents,
};

} // namespace

X11WindowList::X11WindowList(std::shared_ptr<X11Connection> connection, QObject* parent)
    : WindowList(parent), m_connection(std::move(connection))
{
    static_assert(propertyAtoms.size() == Count);
    if (m_connection)
        m_connection->listen(this,
                             [this](const xcb_generic_event_t& event) { handleEvent(event); });
}

ScreenMapping X11WindowList::mappingFor(const QScreen& screen) const
{
    return {screen.geometry().topLeft(), screen.devicePixelRatio()};
}

std::optional<QList<WindowInfo>> X11WindowList::windows()
{
    if (!m_connection)
        return QList<WindowInfo>();
    if (m_stackDirty)
        m_stackKnown = refreshStacking();
    // Without the window manager's list (it is restarting, say) nothing can be said.
    if (!m_stackKnown)
        return std::nullopt;
    if (m_anyClientStale)
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
        Client* client = clientOf(property.window);
        if (!client || client->frame == property.window)
            return;
        for (int i = 0; i < Count; ++i) {
            if (property.atom == m_connection->atom(propertyAtoms[size_t(i)])) {
                client->staleProperties |= quint8(1u << i);
                m_anyClientStale = true;
                notifyChanged();
                return;
            }
        }
        return;
    }
    case XCB_CONFIGURE_NOTIFY:
        configured(reinterpret_cast<const xcb_configure_notify_event_t&>(event));
        return;
    case XCB_MAP_NOTIFY:
        needFullRead(reinterpret_cast<const xcb_map_notify_event_t&>(event).window);
        return;
    case XCB_UNMAP_NOTIFY:
        needFullRead(reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window);
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
        needFullRead(window);
        return;
    }
    case XCB_DESTROY_NOTIFY:
        forget(reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window);
        return;
    default:
        return;
    }
}

void X11WindowList::configured(const xcb_configure_notify_event_t& event)
{
    const bool synthetic = event.response_type & 0x80;
    const ConfigureGeometry geometry{event.x, event.y, event.width, event.height,
                                     event.border_width};
    const auto client = m_clients.find(event.window);
    const bool ofFrame = client == m_clients.end();
    Client* c = ofFrame ? clientOf(event.window) : &*client;
    // A client waiting for a full read gets its placement from that read.
    if (!c || c->needsFullRead || (ofFrame && synthetic))
        return;
    const QRect before = c->placement.rect;
    if (!ofFrame) {
        c->placement.clientConfigured(geometry, synthetic);
    } else if (!c->placement.frameConfigured(geometry)) {
        needFullRead(event.window);
        return;
    }
    if (c->placement.rect != before) {
        m_resultDirty = true;
        notifyChanged();
    }
}

X11WindowList::Client* X11WindowList::clientOf(xcb_window_t window)
{
    auto client = m_clients.find(window);
    if (client == m_clients.end())
        client = m_clients.find(m_clientOfFrame.value(window, XCB_WINDOW_NONE));
    return client == m_clients.end() ? nullptr : &*client;
}

void X11WindowList::needFullRead(xcb_window_t window)
{
    Client* client = clientOf(window);
    if (!client)
        return;
    client->needsFullRead = true;
    m_anyClientStale = true;
    notifyChanged();
}

void X11WindowList::forget(xcb_window_t window)
{
    if (m_clientOfFrame.contains(window)) {
        needFullRead(m_clientOfFrame.take(window));
    } else if (const auto client = m_clients.find(window); client != m_clients.end()) {
        m_clientOfFrame.remove(client->frame);
        m_clients.erase(client);
        m_stack.removeAll(window);
        m_resultDirty = true;
        notifyChanged();
    }
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

bool X11WindowList::refreshStacking()
{
    xcb_connection_t* c = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    const xcb_get_property_cookie_t stackCookie =
        xcb_get_property(c, 0, root, m_connection->atom(X11Connection::NetClientListStacking),
                         XCB_ATOM_WINDOW, 0, 65536);
    const xcb_get_property_cookie_t desktopCookie = xcb_get_property(
        c, 0, root, m_connection->atom(X11Connection::NetCurrentDesktop), XCB_ATOM_CARDINAL, 0, 1);
    ++m_roundTrips;
    const auto stack = takeReply(c, stackCookie, xcb_get_property_reply);
    const QList<quint32> desktop =
        values32(takeReply(c, desktopCookie, xcb_get_property_reply).get());
    m_stackDirty = false;
    if (!stack || stack->type != XCB_ATOM_WINDOW || stack->format != 32)
        return false;
    m_currentDesktop = desktop.isEmpty() ? 0 : desktop.first();

    const QList<quint32> bottomFirst = values32(stack.get());
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
            m_anyClientStale = true;
        }
    }
    m_resultDirty = true;
    return true;
}

void X11WindowList::refreshClients()
{
    struct Pending
    {
        xcb_window_t window;
        bool full;
        bool findFrame;
        quint8 properties;
        xcb_query_tree_cookie_t tree;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        std::array<xcb_get_property_cookie_t, Count> values;
    };
    xcb_connection_t* c = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    std::vector<Pending> pending;
    for (auto client = m_clients.cbegin(); client != m_clients.cend(); ++client) {
        if (!client->needsFullRead && !client->staleProperties)
            continue;
        const xcb_window_t window = client.key();
        Pending p{};
        p.window = window;
        p.full = client->needsFullRead;
        p.findFrame = !client->watched;
        p.properties = client->staleProperties;
        // Events first, so that no change slips in between reading and watching.
        if (p.findFrame) {
            selectEvents(c, window,
                         XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            p.tree = xcb_query_tree(c, window);
        }
        if (p.full) {
            p.attributes = xcb_get_window_attributes(c, window);
            p.geometry = xcb_get_geometry(c, window);
            p.origin = xcb_translate_coordinates(c, window, root, 0, 0);
        }
        for (int i = 0; i < Count; ++i) {
            if (p.properties & (1u << i))
                p.values[size_t(i)] =
                    xcb_get_property(c, 0, window, m_connection->atom(propertyAtoms[size_t(i)]),
                                     XCB_ATOM_ANY, 0, 32);
        }
        pending.push_back(p);
    }
    m_anyClientStale = false;
    if (pending.empty())
        return;

    ++m_roundTrips;
    m_resultDirty = true;
    QList<xcb_window_t> newlyFramed;
    for (const Pending& p : pending) {
        XcbReply<xcb_query_tree_reply_t> tree;
        if (p.findFrame)
            tree = takeReply(c, p.tree, xcb_query_tree_reply);
        XcbReply<xcb_get_window_attributes_reply_t> attributes;
        XcbReply<xcb_get_geometry_reply_t> geometry;
        XcbReply<xcb_translate_coordinates_reply_t> origin;
        if (p.full) {
            attributes = takeReply(c, p.attributes, xcb_get_window_attributes_reply);
            geometry = takeReply(c, p.geometry, xcb_get_geometry_reply);
            origin = takeReply(c, p.origin, xcb_translate_coordinates_reply);
        }
        bool gone = p.full && (!attributes || !geometry || !origin);
        std::array<QList<quint32>, Count> values;
        for (int i = 0; i < Count; ++i) {
            if (!(p.properties & (1u << i)))
                continue;
            const auto reply = takeReply(c, p.values[size_t(i)], xcb_get_property_reply);
            gone = gone || !reply;
            values[size_t(i)] = values32(reply.get());
        }
        if (gone) {
            // Gone while we asked: drop it; the stacking list will follow.
            forget(p.window);
            continue;
        }
        Client& client = m_clients[p.window];
        for (int i = 0; i < Count; ++i) {
            if (p.properties & (1u << i))
                storeProperty(client, Property(i), values[size_t(i)]);
        }
        client.staleProperties = 0;
        if (tree) {
            client.watched = true;
            if (tree->parent != root && tree->parent != XCB_WINDOW_NONE) {
                client.frame = tree->parent;
                m_clientOfFrame.insert(client.frame, p.window);
                newlyFramed.append(p.window);
            }
        }
        if (p.full) {
            client.needsFullRead = false;
            client.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            const ConfigureGeometry read{geometry->x, geometry->y, geometry->width,
                                         geometry->height, geometry->border_width};
            client.placement =
                ClientPlacement::read(client.frame != XCB_WINDOW_NONE, client.placement.frameOnRoot,
                                      read, QPoint(origin->dst_x, origin->dst_y));
        }
    }
    if (!newlyFramed.isEmpty())
        findFramePlacement(newlyFramed);
}

// A frame that is a child of the root reports its moves in root coordinates, which is what
// lets a move be followed from its event alone.
void X11WindowList::findFramePlacement(const QList<xcb_window_t>& framed)
{
    xcb_connection_t* c = m_connection->xcb();
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (const xcb_window_t window : framed) {
        const xcb_window_t frame = m_clients.value(window).frame;
        selectEvents(c, frame, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        cookies.push_back(xcb_query_tree(c, frame));
    }
    ++m_roundTrips;
    for (qsizetype i = 0; i < framed.size(); ++i) {
        const auto tree = takeReply(c, cookies[size_t(i)], xcb_query_tree_reply);
        if (Client* client = clientOf(framed[i]))
            client->placement.frameOnRoot = tree && tree->parent == m_connection->root();
    }
}

void X11WindowList::storeProperty(Client& client, Property property, const QList<quint32>& values)
{
    const auto first = [&]() -> std::optional<quint32> {
        return values.isEmpty() ? std::nullopt : std::optional<quint32>(values.first());
    };
    switch (property) {
    case Type:
        client.normalType =
            values.isEmpty() ||
            values.first() == m_connection->atom(X11Connection::NetWmWindowTypeNormal) ||
            values.first() == m_connection->atom(X11Connection::NetWmWindowTypeDialog);
        return;
    case State:
        client.hidden = values.contains(m_connection->atom(X11Connection::NetWmStateHidden));
        return;
    case Desktop:
        client.desktop = first();
        return;
    case Pid:
        client.pid = first() ? std::optional<qint32>(qint32(*first())) : std::nullopt;
        return;
    case Opacity:
        client.opacity = first() ? std::optional<double>(*first() / opaque) : std::nullopt;
        return;
    case FrameExtents:
        client.frameExtents = extents(values);
        return;
    case ClientShadows:
        client.clientSideShadows = extents(values);
        return;
    case Count:
        return;
    }
}

void X11WindowList::rebuild()
{
    m_windows.clear();
    m_windows.reserve(m_stack.size());
    for (const xcb_window_t window : std::as_const(m_stack)) {
        const auto client = m_clients.constFind(window);
        if (client == m_clients.cend() || client->needsFullRead)
            continue;
        WindowInfo info;
        info.pid = client->pid;
        info.opacity = client->opacity;
        // A window without a desktop of its own shows wherever the user is.
        const bool onThisDesktop = !client->desktop || *client->desktop == m_currentDesktop ||
                                   *client->desktop == everyDesktop;
        info.ordinary = client->normalType && client->viewable && !client->hidden && onThisDesktop;
        info.bounds = QRectF(client->placement.rect.marginsAdded(client->frameExtents)
                                 .marginsRemoved(client->clientSideShadows));
        m_windows.append(info);
    }
    m_resultDirty = false;
}

} // namespace tavlin
