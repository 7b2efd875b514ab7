#pragma once

#include "platform/generic/QtWorkspaceEvents.h"

#include <memory>

namespace tavlin {

class X11Connection;

// Screens through Qt; virtual desktops and stacking through the root window's properties.
class X11WorkspaceEvents : public QtWorkspaceEvents
{
    Q_OBJECT
public:
    // Without a connection only screen changes are reported.
    explicit X11WorkspaceEvents(std::shared_ptr<X11Connection> connection,
                                QObject* parent = nullptr);

private:
    std::shared_ptr<X11Connection> m_connection;
};

} // namespace tavlin
