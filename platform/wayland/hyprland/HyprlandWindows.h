#pragma once

#include "platform/wayland/CompositorWindows.h"

#include <QByteArray>
#include <QLocalSocket>
#include <memory>

namespace tavlin {

// Windows as Hyprland tells them: its clients, monitors and active window, asked for again
// after every event that can move a window.
class HyprlandWindows : public CompositorWindows
{
    Q_OBJECT
public:
    // The folder of one Hyprland instance's sockets: under the runtime directory since 0.40,
    // under /tmp before; none when neither holds the request socket.
    static QString socketFolder(const QByteArray& runtimeDir, const QByteArray& signature);
    // None when the event socket does not answer.
    static std::shared_ptr<HyprlandWindows> connectTo(const QString& socketFolder);

    ~HyprlandWindows() override;

protected:
    void read() override;

private:
    explicit HyprlandWindows(QString socketFolder);
    void readEvents();
    void ask(const QByteArray& command, std::function<void(const QByteArray&)> next);

    QString m_folder;
    QLocalSocket m_events;
    QByteArray m_pending; // an event line not complete yet
};

} // namespace tavlin
