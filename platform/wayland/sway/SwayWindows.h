#pragma once

#include "platform/wayland/CompositorWindows.h"
#include "platform/wayland/sway/SwayIpcConnection.h"

#include <memory>

namespace tavlin {

// Windows as sway tells them: the tree read again after every window or workspace event.
class SwayWindows : public CompositorWindows
{
    Q_OBJECT
public:
    // None when nothing answers on the socket.
    static std::shared_ptr<SwayWindows> connectTo(const QString& socketPath);

protected:
    void read() override;

private:
    SwayWindows() = default;
    void start();
    void handleEvent(quint32 type, const QByteArray& payload);

    SwayIpcConnection m_ipc;
};

} // namespace tavlin
