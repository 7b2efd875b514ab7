#include "platform/wayland/hyprland/HyprlandRequest.h"

namespace tavlin {

namespace {

constexpr int timeoutMs = 2000;
// Far beyond any real list of windows.
constexpr qsizetype maxReply = 16 << 20;

} // namespace

void HyprlandRequest::send(const QString& socketPath, const QByteArray& command, QObject* context,
                           Handler handler)
{
    auto* request = new HyprlandRequest(context, std::move(handler));
    request->m_socket.connectToServer(socketPath);
    if (request->m_socket.state() == QLocalSocket::UnconnectedState) {
        // Refused at once; answer as any failure does, from the event loop.
        QTimer::singleShot(0, request, [request] { request->finish(std::nullopt); });
        return;
    }
    request->m_socket.write(command);
}

HyprlandRequest::HyprlandRequest(QObject* context, Handler handler)
    : QObject(context), m_handler(std::move(handler))
{
    connect(&m_socket, &QLocalSocket::readyRead, this, [this] {
        m_reply += m_socket.readAll();
        if (m_reply.size() > maxReply)
            finish(std::nullopt);
    });
    connect(&m_socket, &QLocalSocket::disconnected, this, [this] {
        m_reply += m_socket.readAll();
        finish(m_reply.size() > maxReply ? std::nullopt : std::optional(m_reply));
    });
    connect(&m_socket, &QLocalSocket::errorOccurred, this,
            [this](QLocalSocket::LocalSocketError error) {
                // The end of the reply shows as the peer closing; that one is handled above.
                if (error != QLocalSocket::PeerClosedError)
                    finish(std::nullopt);
            });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] { finish(std::nullopt); });
    m_timeout.start(timeoutMs);
}

HyprlandRequest::~HyprlandRequest()
{
    // Destroyed with its context before it finished: nobody is left to tell.
    m_socket.disconnect(this);
}

void HyprlandRequest::finish(std::optional<QByteArray> reply)
{
    if (m_done)
        return;
    m_done = true;
    m_timeout.stop();
    m_socket.abort();
    deleteLater();
    if (m_handler)
        m_handler(std::move(reply));
}

} // namespace tavlin
