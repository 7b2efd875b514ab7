#include "platform/x11/X11WorkspaceEvents.h"

#include "platform/x11/X11Connection.h"

namespace tavlin {

X11WorkspaceEvents::X11WorkspaceEvents(std::shared_ptr<X11Connection> connection, QObject* parent)
    : QtWorkspaceEvents(parent), m_connection(std::move(connection))
{
    if (!m_connection)
        return;
    const xcb_atom_t currentDesktop = m_connection->atom(X11Connection::NetCurrentDesktop);
    const xcb_atom_t stacking = m_connection->atom(X11Connection::NetClientListStacking);
    const xcb_window_t root = m_connection->root();
    m_connection->listen(
        this, [this, currentDesktop, stacking, root](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                return;
            const auto& property = reinterpret_cast<const xcb_property_notify_event_t&>(event);
            if (property.window != root)
                return;
            if (property.atom == currentDesktop)
                Q_EMIT currentDesktopChanged();
            else if (property.atom == stacking)
                Q_EMIT stackingChanged();
        });
}

} // namespace tavlin
