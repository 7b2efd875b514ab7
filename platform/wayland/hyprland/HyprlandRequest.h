#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace tavlin {

// One request on Hyprland's request socket, on a connection of its own: connect, write, read
// until Hyprland closes, done. Hyprland answers requests synchronously, so a connection left
// open would hold the whole compositor up; a slow answer is given up after a while.
class HyprlandRequest : public QObject
{
    Q_OBJECT
public:
    // The reply, or none when the socket refused, failed or took too long.
    using Handler = std::function<void(std::optional<QByteArray> reply)>;

    // Sends `command` and calls `handler` once with the outcome; the request deletes itself.
    static void send(const QString& socketPath, const QByteArray& command, QObject* context,
                     Handler handler);

    ~HyprlandRequest() override;

private:
    HyprlandRequest(QObject* context, Handler handler);
    void finish(std::optional<QByteArray> reply);

    QLocalSocket m_socket;
    QTimer m_timeout;
    QByteArray m_reply;
    Handler m_handler;
    bool m_done = false;
};

} // namespace tavlin
