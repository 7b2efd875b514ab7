#include "platform/x11/X11RunningApps.h"

#include "platform/x11/NetWmIcon.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/XcbReply.h"

#include <QPixmap>
#include <QSet>
#include <QTimer>
#include <array>
#include <vector>

namespace tavlin {

namespace {

enum ClientProperty { Pid, Type, Transient, Class, GtkId, KdeDesktopFile, Count };

// Enough for every size a real icon offers (a megabyte), not for a hostile one.
constexpr uint32_t maxIconItems = 1 << 18;
constexpr uint32_t maxTextItems = 1024;

// The strings of a text property, split where it has a NUL (WM_CLASS holds two).
QStringList texts(const xcb_get_property_reply_t* reply)
{
    if (!reply || reply->format != 8)
        return {};
    const QByteArray bytes(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    QStringList result;
    const QList<QByteArray> parts = bytes.split('\0');
    for (const QByteArray& part : parts)
        result.append(QString::fromUtf8(part));
    return result;
}

} // namespace

X11RunningApps::X11RunningApps(std::shared_ptr<X11Connection> connection, QObject* parent)
    : RunningApps(parent), m_connection(std::move(connection))
{
    if (!m_connection)
        return;
    const xcb_window_t root = m_connection->root();
    const xcb_atom_t clientList = m_connection->atom(X11Connection::NetClientList);
    m_connection->listen(this, [this, root, clientList](const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return;
        const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        if (property.window != root || property.atom != clientList || m_refreshQueued)
            return;
        // Windows open and close in bursts; read the list once the burst is over.
        m_refreshQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_refreshQueued = false;
            refresh();
        });
    });
    refresh();
}

std::optional<qint32> X11RunningApps::frontmostPid() const
{
    if (!m_connection)
        return std::nullopt;
    const QList<quint32> active = m_connection->property32(
        m_connection->root(), X11Connection::NetActiveWindow, XCB_ATOM_WINDOW);
    if (active.isEmpty() || active.first() == XCB_WINDOW_NONE)
        return std::nullopt;
    const auto client = m_clients.constFind(active.first());
    qint32 pid = client != m_clients.cend() ? client->said.pid : 0;
    if (pid == 0) {
        const QList<quint32> read =
            m_connection->property32(active.first(), X11Connection::NetWmPid, XCB_ATOM_CARDINAL);
        pid = read.isEmpty() ? 0 : qint32(read.first());
    }
    return pid > 0 ? std::optional<qint32>(pid) : std::nullopt;
}

void X11RunningApps::refresh()
{
    const QList<quint32> listed = m_connection->property32(
        m_connection->root(), X11Connection::NetClientList, XCB_ATOM_WINDOW);
    readClients(listed);

    QList<RunningApp> apps;
    QSet<qint32> seen;
    for (const xcb_window_t window : listed) {
        const Client& client = m_clients[window];
        if (client.said.regular && !seen.contains(client.app.pid)) {
            seen.insert(client.app.pid);
            apps.append(client.app);
        }
    }
    const bool changed = !sameApps(apps, m_apps);
    m_apps = apps;
    if (changed)
        Q_EMIT this->changed();
}

void X11RunningApps::readClients(const QList<xcb_window_t>& windows)
{
    xcb_connection_t* c = m_connection->xcb();
    const std::array<xcb_atom_t, Count> names{
        m_connection->atom(X11Connection::NetWmPid),
        m_connection->atom(X11Connection::NetWmWindowType),
        XCB_ATOM_WM_TRANSIENT_FOR,
        XCB_ATOM_WM_CLASS,
        m_connection->atom(X11Connection::GtkApplicationId),
        m_connection->atom(X11Connection::KdeNetWmDesktopFile),
    };
    // Every request first, then every reply: one wait for the whole batch.
    std::vector<std::array<xcb_get_property_cookie_t, Count>> cookies(size_t(windows.size()));
    for (qsizetype w = 0; w < windows.size(); ++w) {
        for (size_t i = 0; i < Count; ++i)
            cookies[size_t(w)][i] =
                xcb_get_property(c, 0, windows[w], names[i], XCB_ATOM_ANY, 0, maxTextItems);
    }
    QHash<xcb_window_t, Client> clients;
    QList<xcb_window_t> withoutIcon;
    for (qsizetype w = 0; w < windows.size(); ++w) {
        std::array<XcbReply<xcb_get_property_reply_t>, Count> replies;
        for (size_t i = 0; i < Count; ++i)
            replies[i] = takeReply(c, cookies[size_t(w)][i], xcb_get_property_reply);
        Client client;
        const QList<quint32> pid = values32(replies[Pid].get());
        client.said.pid = pid.isEmpty() ? 0 : qint32(pid.first());
        const QList<quint32> transientFor = values32(replies[Transient].get());
        client.said.regular =
            client.said.pid > 0 &&
            isRegular(values32(replies[Type].get()),
                      !transientFor.isEmpty() && transientFor.first() != XCB_WINDOW_NONE);
        client.said.wmClass = texts(replies[Class].get());
        client.said.hints = {texts(replies[GtkId].get()).value(0),
                             texts(replies[KdeDesktopFile].get()).value(0)};
        // An id can stand for another window by now: what it says decides, not the id.
        const auto known = m_clients.constFind(windows[w]);
        if (known != m_clients.cend() && known->said == client.said) {
            client.app = known->app;
        } else if (client.said.regular) {
            client.app = m_entries.appFor(client.said.hints, client.said.wmClass.value(0),
                                          client.said.wmClass.value(1));
            client.app.pid = client.said.pid;
            if (client.app.icon.isNull())
                withoutIcon.append(windows[w]);
        }
        clients.insert(windows[w], client);
    }
    m_clients = std::move(clients);
    readIcons(withoutIcon);
}

void X11RunningApps::readIcons(const QList<xcb_window_t>& windows)
{
    xcb_connection_t* c = m_connection->xcb();
    const xcb_atom_t name = m_connection->atom(X11Connection::NetWmIcon);
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(size_t(windows.size()));
    for (const xcb_window_t window : windows)
        cookies.push_back(xcb_get_property(c, 0, window, name, XCB_ATOM_CARDINAL, 0, maxIconItems));
    for (qsizetype w = 0; w < windows.size(); ++w) {
        const QList<QImage> images = NetWmIcon::images(
            values32(takeReply(c, cookies[size_t(w)], xcb_get_property_reply).get()));
        QIcon icon;
        for (const QImage& image : images)
            icon.addPixmap(QPixmap::fromImage(image));
        m_clients[windows[w]].app.icon = icon;
    }
}

bool X11RunningApps::isRegular(const QList<quint32>& types, bool transient) const
{
    // The first type the program knows decides, as the list is in the client's preference.
    constexpr std::array<X11Connection::Atom, 8> known{
        X11Connection::NetWmWindowTypeNormal,  X11Connection::NetWmWindowTypeDialog,
        X11Connection::NetWmWindowTypeDock,    X11Connection::NetWmWindowTypeDesktop,
        X11Connection::NetWmWindowTypeMenu,    X11Connection::NetWmWindowTypeSplash,
        X11Connection::NetWmWindowTypeToolbar, X11Connection::NetWmWindowTypeUtility,
    };
    for (const quint32 type : types) {
        for (const X11Connection::Atom kind : known) {
            if (type == m_connection->atom(kind))
                return kind == X11Connection::NetWmWindowTypeNormal;
        }
    }
    // No type given: ordinary, unless it belongs to another window (then it is a dialog).
    return !transient;
}

} // namespace tavlin
