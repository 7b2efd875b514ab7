#pragma once

#include <QObject>
#include <memory>

namespace tavlin {

class X11Connection;

// A compositing manager is running while someone owns the _NET_WM_CM_S0 selection; XFixes tells
// when the owner changes. Without one, window opacity and per-pixel transparency do nothing.
class X11CompositorWatch : public QObject
{
    Q_OBJECT
public:
    explicit X11CompositorWatch(std::shared_ptr<X11Connection> connection,
                                QObject* parent = nullptr);
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void activeChanged(bool active);

private:
    bool queryOwner() const;

    std::shared_ptr<X11Connection> m_connection;
    bool m_active = false;
};

} // namespace tavlin
