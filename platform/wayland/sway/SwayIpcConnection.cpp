#include "platform/wayland/sway/SwayIpcConnection.h"

#include "platform/wayland/sway/SwayIpcFraming.h"

namespace tavlin {

namespace {

constexpr int connectTimeoutMs = 500;

} // namespace

SwayIpcConnection::SwayIpcConnection(QObject* parent) : QObject(parent)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, &SwayIpcConnection::readMessages);
    connect(&m_socket, &QLocalSocket::disconnected, this, &SwayIpcConnection::drop);
}

SwayIpcConnection::~SwayIpcConnection()
{
    // The socket says it disconnected while it is destroyed, after the members it would touch.
    m_socket.disconnect(this);
}

bool SwayIpcConnection::open(const QString& path)
{
    if (path.isEmpty())
        return false;
    m_socket.connectToServer(path);
    return m_socket.waitForConnected(connectTimeoutMs);
}

void SwayIpcConnection::request(Type type, const QByteArray& payload, ReplyHandler handler)
{
    if (!isOpen())
        return;
    m_pending.enqueue(std::move(handler));
    m_socket.write(SwayIpcFraming::encode(type, payload));
}

void SwayIpcConnection::readMessages()
{
    m_buffer += m_socket.readAll();
    SwayIpcFraming::Message message;
    for (;;) {
        switch (SwayIpcFraming::take(m_buffer, message)) {
        case SwayIpcFraming::Status::NeedMore:
            return;
        case SwayIpcFraming::Status::Broken:
            m_socket.abort();
            drop();
            return;
        case SwayIpcFraming::Status::Complete:
            break;
        }
        if (message.type & SwayIpcFraming::eventBit) {
            Q_EMIT event(message.type & ~SwayIpcFraming::eventBit, message.payload);
        } else if (!m_pending.isEmpty()) {
            const ReplyHandler handler = m_pending.dequeue();
            if (handler)
                handler(message.payload);
        }
        // A handler may have closed the connection.
        if (m_lost)
            return;
    }
}

void SwayIpcConnection::drop()
{
    if (m_lost)
        return;
    m_lost = true;
    m_pending.clear();
    m_buffer.clear();
    Q_EMIT lost();
}

} // namespace tavlin
