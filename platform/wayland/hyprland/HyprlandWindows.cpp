#include "platform/wayland/hyprland/HyprlandWindows.h"

#include "platform/wayland/hyprland/HyprlandClients.h"
#include "platform/wayland/hyprland/HyprlandRequest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavlin {

namespace {

constexpr int connectTimeoutMs = 500;
// An event line is short; one this long is not Hyprland speaking.
constexpr qsizetype maxLine = 64 << 10;

// Events that cannot move, show or hide a window, or change which one has the focus. Our own
// overlays open and close layers; titles change all the time.
bool movesWindows(const QByteArray& line)
{
    const QByteArray name = line.left(line.indexOf(">>"));
    static const QList<QByteArray> still{"activelayout", "submap",      "openlayer",
                                         "closelayer",   "windowtitle", "windowtitlev2",
                                         "urgent",       "screencast",  "bell"};
    return !still.contains(name);
}

QString lostReason()
{
    return HyprlandWindows::tr("Lost the connection to Hyprland");
}

} // namespace

QString HyprlandWindows::socketFolder(const QByteArray& runtimeDir, const QByteArray& signature)
{
    // The signature names a folder: nothing that could climb out of it.
    if (signature.isEmpty() || signature.contains('/') || signature == "." || signature == "..")
        return {};
    QStringList candidates;
    if (runtimeDir.startsWith('/'))
        candidates.append(QFile::decodeName(runtimeDir) + QStringLiteral("/hypr/"));
    candidates.append(QStringLiteral("/tmp/hypr/"));
    for (const QString& base : std::as_const(candidates)) {
        const QString folder = base + QFile::decodeName(signature);
        if (QFile::exists(folder + QStringLiteral("/.socket.sock")))
            return folder;
    }
    return {};
}

std::shared_ptr<HyprlandWindows> HyprlandWindows::connectTo(const QString& socketFolder)
{
    if (socketFolder.isEmpty())
        return nullptr;
    std::shared_ptr<HyprlandWindows> windows(new HyprlandWindows(socketFolder));
    windows->m_events.connectToServer(socketFolder + QStringLiteral("/.socket2.sock"),
                                      QIODevice::ReadOnly);
    if (!windows->m_events.waitForConnected(connectTimeoutMs))
        return nullptr;
    windows->refresh();
    return windows;
}

HyprlandWindows::HyprlandWindows(QString socketFolder) : m_folder(std::move(socketFolder))
{
    connect(&m_events, &QLocalSocket::readyRead, this, &HyprlandWindows::readEvents);
    connect(&m_events, &QLocalSocket::disconnected, this, [this] { lose(lostReason()); });
}

HyprlandWindows::~HyprlandWindows()
{
    // Closing the socket says it disconnected: no "lost" while going away.
    m_events.disconnect(this);
}

void HyprlandWindows::readEvents()
{
    m_pending += m_events.readAll();
    bool moved = false;
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        moved = movesWindows(m_pending.left(end)) || moved;
        m_pending.remove(0, end + 1);
    }
    if (m_pending.size() > maxLine) {
        m_events.abort();
        return;
    }
    if (moved)
        refresh();
}

void HyprlandWindows::ask(const QByteArray& command, std::function<void(const QByteArray&)> next)
{
    HyprlandRequest::send(m_folder + QStringLiteral("/.socket.sock"), command, this,
                          [this, next = std::move(next)](std::optional<QByteArray> reply) {
                              if (reply)
                                  next(*reply);
                              else
                                  readDone(std::nullopt); // try again at the next event
                          });
}

void HyprlandWindows::read()
{
    // One after the other: each holds the compositor while it is answered.
    ask("j/clients", [this](const QByteArray& clients) {
        ask("j/monitors", [this, clients](const QByteArray& monitors) {
            ask("j/activewindow", [this, clients, monitors](const QByteArray& active) {
                const QJsonDocument clientList = QJsonDocument::fromJson(clients);
                const QJsonDocument monitorList = QJsonDocument::fromJson(monitors);
                if (!clientList.isArray() || !monitorList.isArray()) {
                    readDone(std::nullopt);
                    return;
                }
                readDone(HyprlandClients::windows(clientList.array(), monitorList.array(),
                                                  QJsonDocument::fromJson(active).object()));
            });
        });
    });
}

} // namespace tavlin
