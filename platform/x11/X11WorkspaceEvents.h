#pragma once

#include "platform/WorkspaceEvents.h"

#include <memory>

class QScreen;

namespace tavlin {

class X11Connection;

// Screens through Qt; virtual desktops and stacking through the root window's properties.
class X11WorkspaceEvents : public WorkspaceEvents
{
    Q_OBJECT
public:
    // Without a connection only screen changes are reported.
    explicit X11WorkspaceEvents(std::shared_ptr<X11Connection> connection,
                                QObject* parent = nullptr);

private:
    void watchScreen(QScreen* screen);
    void screensMayHaveChanged();

    std::shared_ptr<X11Connection> m_connection;
    bool m_screenChangeQueued = false;
};

} // namespace tavlin
