#include "platform/x11/X11WindowStacking.h"

#include "platform/x11/X11Connection.h"

#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tavlin {

X11WindowStacking::X11WindowStacking(std::shared_ptr<X11Connection> connection)
    : m_connection(std::move(connection))
{
}

void X11WindowStacking::prepare(QWidget* window, OverlayLevel level)
{
    Qt::WindowFlags flags = window->windowFlags() | Qt::FramelessWindowHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    if (level != OverlayLevel::Cover) {
        // Override-redirect: no frame to swallow clicks, and no window-manager layer to keep it
        // below anything.
        // An empty input shape lets clicks, scrolling and hovering through to what lies below.
        flags |= Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint |
                 Qt::WindowTransparentForInput;
    }
    window->setWindowFlags(flags);

    const auto id = xcb_window_t(window->winId());
    xcb_connection_t* c = m_connection->xcb();
    const uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id,
                        m_connection->atom(X11Connection::NetWmDesktop), XCB_ATOM_CARDINAL, 32, 1,
                        &everyDesktop);
    const uint32_t states[] = {m_connection->atom(X11Connection::NetWmStateSkipTaskbar),
                               m_connection->atom(X11Connection::NetWmStateSkipPager)};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, m_connection->atom(X11Connection::NetWmState),
                        XCB_ATOM_ATOM, 32, 2, states);
    if (level == OverlayLevel::Cover) {
        // A desktop-type window stays below every ordinary window and, unlike a borderless
        // screen-sized normal window, is never taken for a full-screen application. Written
        // after the native window exists: Qt sets the type from the window flags when it creates
        // it, and not again when it shows it.
        const uint32_t desktop = m_connection->atom(X11Connection::NetWmWindowTypeDesktop);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id,
                            m_connection->atom(X11Connection::NetWmWindowType), XCB_ATOM_ATOM, 32,
                            1, &desktop);
    }
    xcb_flush(c);
}

void X11WindowStacking::keepStacked(const QList<QWidget*>& windows, OverlayLevel level)
{
    QList<xcb_window_t> ids;
    for (QWidget* window : windows) {
        if (window && window->isVisible())
            ids.append(xcb_window_t(window->winId()));
    }
    if (ids.isEmpty())
        return;
    switch (level) {
    case OverlayLevel::Cover:
        keepCoversAboveIcons(ids);
        break;
    case OverlayLevel::Spotlight:
        keepAboveManaged(ids, false);
        break;
    case OverlayLevel::SpotlightPanels:
        keepAboveManaged(ids, true);
        break;
    case OverlayLevel::Reminder:
        keepOnTop(ids);
        break;
    }
}

void X11WindowStacking::keepCoversAboveIcons(const QList<xcb_window_t>& covers)
{
    // Bottom to top.
    const QList<quint32> stack = m_connection->property32(
        m_connection->root(), X11Connection::NetClientListStacking, XCB_ATOM_WINDOW);
    xcb_connection_t* c = m_connection->xcb();
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(size_t(stack.size()));
    for (const quint32 window : stack)
        cookies.push_back(xcb_get_property(c, 0, window,
                                           m_connection->atom(X11Connection::NetWmWindowType),
                                           XCB_ATOM_ATOM, 0, 32));
    const xcb_atom_t desktopType = m_connection->atom(X11Connection::NetWmWindowTypeDesktop);
    qsizetype topIcon = -1;
    for (qsizetype i = 0; i < stack.size(); ++i) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookies[size_t(i)], nullptr);
        if (reply && reply->format == 32 && !covers.contains(stack[i])) {
            const auto* types = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
            const int count = xcb_get_property_value_length(reply) / 4;
            if (std::find(types, types + count, desktopType) != types + count)
                topIcon = i;
        }
        std::free(reply);
    }
    // Above the top icon window when there is one (otherwise the desktop layer already keeps
    // them below everything), and each above the one before it: a new generation fades in over
    // the one it replaces.
    // Only windows the window manager already manages are restacked: openbox crashes on a
    // restack request that races with its managing a window. A cover it has not taken on yet
    // comes back here when the stacking list changes to include it.
    QList<quint32> order = stack;
    xcb_window_t below =
        topIcon >= 0 ? xcb_window_t(stack[topIcon]) : xcb_window_t(XCB_WINDOW_NONE);
    bool restacked = false;
    for (const xcb_window_t cover : covers) {
        const qsizetype place = order.indexOf(cover);
        if (place < 0)
            continue;
        if (below != XCB_WINDOW_NONE && place < order.indexOf(below)) {
            restackAbove(cover, below);
            order.removeAt(place);
            order.insert(order.indexOf(below) + 1, cover);
            restacked = true;
        }
        below = cover;
    }
    if (restacked)
        xcb_flush(c);
}

void X11WindowStacking::restackAbove(xcb_window_t window, xcb_window_t sibling)
{
    // Managed windows are restacked by asking the window manager (source 2: a pager-like tool,
    // which window managers obey without focus-stealing checks).
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = m_connection->atom(X11Connection::NetRestackWindow);
    message.data.data32[0] = 2;
    message.data.data32[1] = sibling;
    message.data.data32[2] = XCB_STACK_MODE_ABOVE;
    xcb_send_event(m_connection->xcb(), 0, m_connection->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}

void X11WindowStacking::keepAboveManaged(const QList<xcb_window_t>& windows, bool abovePanels)
{
    const RootStack stack = readRootStack();
    // The top-most managed window the overlays must cover; with panels spared, the lowest panel
    // bounds them from above when no other managed window exists.
    qsizetype sibling = -1;
    qsizetype lowestPanel = -1;
    for (qsizetype i = 0; i < stack.children.size(); ++i) {
        const xcb_window_t child = stack.children[i];
        if (windows.contains(child))
            continue;
        const bool panel = stack.panels.contains(child);
        if (panel && lowestPanel < 0)
            lowestPanel = i;
        if (stack.managed.contains(child) && (abovePanels || !panel))
            sibling = i;
    }
    if (sibling < 0 && lowestPanel < 0) {
        keepOnTop(windows);
        return;
    }

    // In place when our windows follow the sibling (or lie right under the lowest panel)
    // directly, oldest first so a new generation fades in over the old; anything else the
    // others mapped above us stays above.
    const qsizetype first = sibling >= 0 ? sibling + 1 : lowestPanel - windows.size();
    bool inPlace = first >= 0 && first + windows.size() <= stack.children.size();
    for (qsizetype i = 0; inPlace && i < windows.size(); ++i)
        inPlace = stack.children[first + i] == windows[i];
    if (inPlace)
        return;

    xcb_connection_t* c = m_connection->xcb();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const bool anchored = i == 0;
        const uint32_t values[] = {
            anchored ? (sibling >= 0 ? stack.children[sibling] : stack.children[lowestPanel])
                     : windows[i - 1],
            anchored && sibling < 0 ? uint32_t(XCB_STACK_MODE_BELOW)
                                    : uint32_t(XCB_STACK_MODE_ABOVE)};
        xcb_configure_window(c, windows[i],
                             XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    }
    xcb_flush(c);
}

X11WindowStacking::RootStack X11WindowStacking::readRootStack() const
{
    xcb_connection_t* c = m_connection->xcb();
    const xcb_window_t root = m_connection->root();
    const auto rootTree = xcb_query_tree(c, root);
    const QList<quint32> clients =
        m_connection->property32(root, X11Connection::NetClientList, XCB_ATOM_WINDOW);

    // One batch for every client's type and parent.
    struct Pending
    {
        xcb_window_t window;
        bool panel;
        xcb_query_tree_cookie_t parent;
    };
    std::vector<xcb_get_property_cookie_t> types;
    std::vector<Pending> pending;
    for (const quint32 client : clients) {
        types.push_back(xcb_get_property(c, 0, client,
                                         m_connection->atom(X11Connection::NetWmWindowType),
                                         XCB_ATOM_ATOM, 0, 32));
        pending.push_back({client, false, xcb_query_tree(c, client)});
    }

    RootStack stack;
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, rootTree, nullptr)) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
            stack.children.append(children[i]);
        std::free(tree);
    }
    const xcb_atom_t dock = m_connection->atom(X11Connection::NetWmWindowTypeDock);
    for (size_t i = 0; i < types.size(); ++i) {
        if (xcb_get_property_reply_t* type = xcb_get_property_reply(c, types[i], nullptr)) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(type));
            const int count = type->format == 32 ? xcb_get_property_value_length(type) / 4 : 0;
            pending[i].panel = std::find(atoms, atoms + count, dock) != atoms + count;
            std::free(type);
        }
    }
    // Walk up to the root's children: a window manager's frame is one or two levels up.
    for (int depth = 0; depth < 4 && !pending.empty(); ++depth) {
        std::vector<Pending> next;
        for (const Pending& window : pending) {
            xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, window.parent, nullptr);
            if (!tree)
                continue;
            if (tree->parent == root) {
                stack.managed.insert(window.window);
                if (window.panel)
                    stack.panels.insert(window.window);
            } else {
                next.push_back({tree->parent, window.panel, xcb_query_tree(c, tree->parent)});
            }
            std::free(tree);
        }
        pending = std::move(next);
    }
    return stack;
}

void X11WindowStacking::keepOnTop(const QList<xcb_window_t>& windows)
{
    xcb_connection_t* c = m_connection->xcb();
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(c, xcb_query_tree(c, m_connection->root()), nullptr);
    if (!tree)
        return;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    // In place when the top of the root's children is exactly our windows, oldest first.
    const int first = count - int(windows.size());
    bool inPlace = first >= 0;
    for (int i = 0; inPlace && i < int(windows.size()); ++i)
        inPlace = children[first + i] == windows[i];
    std::free(tree);
    if (inPlace)
        return;
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    for (const xcb_window_t window : windows)
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
}

} // namespace tavlin
