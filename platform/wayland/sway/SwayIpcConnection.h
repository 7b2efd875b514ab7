#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QObject>
#include <QQueue>
#include <functional>

namespace tavlin {

// One connection to sway's IPC socket. Requests are answered in the order they were sent;
// events, once subscribed to, arrive in between. Nothing here waits, except for the connect.
class SwayIpcConnection : public QObject
{
    Q_OBJECT
public:
    enum Type : quint32 { Subscribe = 2, GetTree = 4 };
    using ReplyHandler = std::function<void(const QByteArray& payload)>;

    explicit SwayIpcConnection(QObject* parent = nullptr);
    ~SwayIpcConnection() override;

    // Connects to the socket; false when nothing listens there. A local socket accepts or
    // refuses at once, so this does not hold up the program.
    bool open(const QString& path);
    bool isOpen() const { return m_socket.state() == QLocalSocket::ConnectedState; }
    void request(Type type, const QByteArray& payload, ReplyHandler handler);

Q_SIGNALS:
    void event(quint32 type, const QByteArray& payload);
    // The compositor went away or sent something that is not its protocol.
    void lost();

private:
    void readMessages();
    void drop();

    QLocalSocket m_socket;
    QByteArray m_buffer;
    QQueue<ReplyHandler> m_pending;
    bool m_lost = false;
};

} // namespace tavlin
