#include "platform/x11/X11Connection.h"

#include "platform/x11/XcbReply.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <xcb/xfixes.h>

namespace tavlin {

namespace {

constexpr std::array<const char*, X11Connection::AtomCount> atomNames{
    "_NET_ACTIVE_WINDOW",
    "_NET_CLIENT_LIST",
    "_NET_CLIENT_LIST_STACKING",
    "_NET_CURRENT_DESKTOP",
    "_NET_FRAME_EXTENTS",
    "_NET_RESTACK_WINDOW",
    "_NET_WM_DESKTOP",
    "_NET_WM_ICON",
    "_NET_WM_PID",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_SKIP_PAGER",
    "_NET_WM_STATE_SKIP_TASKBAR",
    "_NET_WM_WINDOW_OPACITY",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DIALOG",
    "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_NORMAL",
    "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",
    "_NET_WM_WINDOW_TYPE_UTILITY",
    "_GTK_APPLICATION_ID",
    "_GTK_FRAME_EXTENTS",
    "_KDE_NET_WM_DESKTOP_FILE",
    "_NET_WM_CM_S0",
    "_XROOTPMAP_ID",
    "ESETROOT_PMAP_ID",
};

} // namespace

std::shared_ptr<X11Connection> X11Connection::create()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return nullptr;
    return std::shared_ptr<X11Connection>(new X11Connection(connection, screen->root));
}

X11Connection::X11Connection(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
    std::array<xcb_intern_atom_cookie_t, AtomCount> cookies{};
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(m_connection, 0, uint16_t(strlen(atomNames[i])), atomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(m_connection, cookies[i], nullptr);
        m_atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
    }
    if (const xcb_query_extension_reply_t* xfixes =
            xcb_get_extension_data(m_connection, &xcb_xfixes_id);
        xfixes && xfixes->present) {
        xcb_xfixes_query_version_reply_t* version = xcb_xfixes_query_version_reply(
            m_connection, xcb_xfixes_query_version(m_connection, 5, 0), nullptr);
        if (version)
            m_xfixesFirstEvent = xfixes->first_event;
        std::free(version);
    }
    // Root property changes (the current desktop, the stacking order) are what the overlays
    // follow; add them to whatever this client already selected on the root.
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_root), nullptr);
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) |
                          XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Connection::~X11Connection()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11Connection::listen(QObject* owner, Handler handler)
{
    m_listeners.append({owner, std::move(handler)});
    connect(owner, &QObject::destroyed, this, [this, owner] {
        m_listeners.removeIf([owner](const Listener& l) { return l.owner == owner; });
    });
}

QList<quint32> X11Connection::property32(xcb_window_t window, Atom name, xcb_atom_t type) const
{
    return values32(takeReply(m_connection,
                              xcb_get_property(m_connection, 0, window, atom(name), type, 0, 4096),
                              xcb_get_property_reply)
                        .get());
}

bool X11Connection::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto& event = *static_cast<const xcb_generic_event_t*>(message);
    // A copy: a handler may add or remove listeners.
    const QList<Listener> listeners = m_listeners;
    for (const Listener& listener : listeners)
        listener.handler(event);
    return false; // Qt still sees every event
}

} // namespace tavlin
