#include "platform/x11/X11CompositorWatch.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <xcb/xfixes.h>

namespace tavlin {

X11CompositorWatch::X11CompositorWatch(std::shared_ptr<X11Connection> connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection))
{
    const xcb_atom_t selection = m_connection->atom(X11Connection::NetWmCmS0);
    const int xfixes = m_connection->xfixesFirstEvent();
    if (xfixes >= 0) {
        xcb_xfixes_select_selection_input(
            m_connection->xcb(), m_connection->root(), selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(m_connection->xcb());
        m_connection->listen(this, [this, xfixes, selection](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != xfixes + XCB_XFIXES_SELECTION_NOTIFY)
                return;
            const auto& notify =
                reinterpret_cast<const xcb_xfixes_selection_notify_event_t&>(event);
            if (notify.selection != selection)
                return;
            const bool active = notify.owner != XCB_WINDOW_NONE;
            if (active != m_active) {
                m_active = active;
                Q_EMIT activeChanged(active);
            }
        });
    }
    m_active = queryOwner();
}

bool X11CompositorWatch::queryOwner() const
{
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        m_connection->xcb(),
        xcb_get_selection_owner(m_connection->xcb(), m_connection->atom(X11Connection::NetWmCmS0)),
        nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

} // namespace tavlin
