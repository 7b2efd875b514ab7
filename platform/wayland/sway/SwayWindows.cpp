#include "platform/wayland/sway/SwayWindows.h"

#include "platform/wayland/sway/SwayTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavlin {

namespace {

enum EventType : quint32 { WorkspaceEvent = 0, WindowEvent = 3 };

// Sway 1.7 refuses a subscription that names "output"; outputs are followed through Qt.
const QByteArray subscription = QByteArrayLiteral(R"(["window","workspace"])");

// A title, mark or urgency hint moves nothing; terminals change their titles all the time.
bool movesWindows(quint32 type, const QByteArray& payload)
{
    if (type == WorkspaceEvent)
        return true;
    if (type != WindowEvent)
        return false;
    const QString change =
        QJsonDocument::fromJson(payload).object().value(QLatin1String("change")).toString();
    return change != QLatin1String("title") && change != QLatin1String("mark") &&
           change != QLatin1String("urgent");
}

QString lostReason()
{
    return SwayWindows::tr("Lost the connection to sway");
}

} // namespace

std::shared_ptr<SwayWindows> SwayWindows::connectTo(const QString& socketPath)
{
    std::shared_ptr<SwayWindows> windows(new SwayWindows);
    if (!windows->m_ipc.open(socketPath))
        return nullptr;
    windows->start();
    return windows;
}

void SwayWindows::start()
{
    connect(&m_ipc, &SwayIpcConnection::event, this, &SwayWindows::handleEvent);
    connect(&m_ipc, &SwayIpcConnection::lost, this, [this] { lose(lostReason()); });
    m_ipc.request(SwayIpcConnection::Subscribe, subscription, [this](const QByteArray& reply) {
        // Without events neither the list nor the running applications would follow.
        if (!QJsonDocument::fromJson(reply).object().value(QLatin1String("success")).toBool())
            lose(tr("Sway doesn't report window changes"));
    });
    refresh();
}

void SwayWindows::read()
{
    if (!m_ipc.isOpen()) {
        lose(lostReason());
        return;
    }
    m_ipc.request(SwayIpcConnection::GetTree, {}, [this](const QByteArray& reply) {
        const QJsonDocument tree = QJsonDocument::fromJson(reply);
        readDone(tree.isObject() ? std::optional(SwayTree::windows(tree.object())) : std::nullopt);
    });
}

void SwayWindows::handleEvent(quint32 type, const QByteArray& payload)
{
    if (movesWindows(type, payload))
        refresh();
}

} // namespace tavlin
