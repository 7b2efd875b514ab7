#include "platform/wayland/hyprland/HyprlandClients.h"

#include <QSet>
#include <limits>

namespace tavlin::HyprlandClients {

namespace {

QJsonValue field(const QJsonObject& object, const char* name)
{
    return object.value(QLatin1String(name));
}

qint64 workspaceOf(const QJsonObject& client)
{
    return field(field(client, "workspace").toObject(), "id").toInteger(0);
}

// Newer versions give a state (1 maximised, 2 fullscreen, 3 both); older ones a boolean with
// "fullscreenMode" 0 for fullscreen and 1 for maximised. Only fullscreen hides the others.
bool coversWorkspace(const QJsonObject& client)
{
    const QJsonValue state = field(client, "fullscreen");
    if (state.isBool())
        return state.toBool() && field(client, "fullscreenMode").toInt() == 0;
    return (state.toInt() & 2) != 0;
}

CompositorWindow windowOf(const QJsonObject& client, const QSet<qint64>& shownWorkspaces,
                          const QSet<qint64>& coveredWorkspaces, const QString& active)
{
    CompositorWindow window;
    const qint64 pid = field(client, "pid").toInteger(0);
    if (pid > 0 && pid <= std::numeric_limits<qint32>::max())
        window.info.pid = qint32(pid);
    window.appId = field(client, "class").toString();
    const QString address = field(client, "address").toString();
    window.focused = !active.isEmpty() && address == active;
    const qint64 workspace = workspaceOf(client);
    window.info.ordinary = field(client, "mapped").toBool(true) &&
                           !field(client, "hidden").toBool() &&
                           shownWorkspaces.contains(workspace) &&
                           (coversWorkspace(client) || !coveredWorkspaces.contains(workspace));
    window.regular = window.info.pid.has_value();
    const QJsonArray at = field(client, "at").toArray();
    const QJsonArray size = field(client, "size").toArray();
    window.info.bounds = QRectF(at.at(0).toDouble(), at.at(1).toDouble(), size.at(0).toDouble(),
                                size.at(1).toDouble());
    return window;
}

} // namespace

QList<CompositorWindow> windows(const QJsonArray& clients, const QJsonArray& monitors,
                                const QJsonObject& activeWindow)
{
    QSet<qint64> shown;
    for (const QJsonValue& value : monitors) {
        const QJsonObject monitor = value.toObject();
        if (field(monitor, "disabled").toBool())
            continue;
        shown.insert(field(field(monitor, "activeWorkspace").toObject(), "id").toInteger(0));
        // 0 when no special workspace is open.
        shown.insert(field(field(monitor, "specialWorkspace").toObject(), "id").toInteger(0));
    }
    shown.remove(0);

    QSet<qint64> covered;
    for (const QJsonValue& value : clients) {
        const QJsonObject client = value.toObject();
        if (field(client, "mapped").toBool(true) && coversWorkspace(client))
            covered.insert(workspaceOf(client));
    }

    const QString active = field(activeWindow, "address").toString();
    QList<CompositorWindow> fullscreen;
    QList<CompositorWindow> floating;
    QList<CompositorWindow> tiled;
    for (qsizetype i = clients.size() - 1; i >= 0; --i) {
        const QJsonObject client = clients.at(i).toObject();
        if (!client.contains(QLatin1String("address")))
            continue;
        const CompositorWindow window = windowOf(client, shown, covered, active);
        if (coversWorkspace(client))
            fullscreen.append(window);
        else if (field(client, "floating").toBool())
            floating.append(window);
        else
            tiled.append(window);
    }
    return fullscreen + floating + tiled;
}

} // namespace tavlin::HyprlandClients
