#include "platform/wayland/WaylandRunningApps.h"

#include "platform/wayland/CompositorWindows.h"

#include <QSet>

namespace tavlin {

WaylandRunningApps::WaylandRunningApps(std::shared_ptr<CompositorWindows> source, QObject* parent)
    : RunningApps(parent), m_source(std::move(source))
{
    connect(m_source.get(), &CompositorWindows::changed, this, &WaylandRunningApps::update);
    update();
}

std::optional<qint32> WaylandRunningApps::frontmostPid() const
{
    const QList<CompositorWindow> windows = m_source->windows();
    for (const CompositorWindow& window : windows) {
        if (window.focused)
            return window.info.pid;
    }
    return std::nullopt;
}

void WaylandRunningApps::update()
{
    QList<RunningApp> apps;
    QSet<qint32> seen;
    const QList<CompositorWindow> windows = m_source->windows();
    for (const CompositorWindow& window : windows) {
        if (!window.regular || seen.contains(*window.info.pid))
            continue;
        seen.insert(*window.info.pid);
        const QString key = window.instance + QLatin1Char('\n') + window.appId;
        auto known = m_known.find(key);
        if (known == m_known.end()) {
            // A Wayland app id is meant to be the desktop file's id.
            const QStringList hints =
                window.instance.isEmpty() ? QStringList{window.appId} : QStringList{};
            known = m_known.insert(key, m_entries.appFor(hints, window.instance, window.appId));
        }
        RunningApp app = *known;
        app.pid = *window.info.pid;
        apps.append(app);
    }
    const bool changed = !sameApps(apps, m_apps);
    m_apps = std::move(apps);
    if (changed)
        Q_EMIT this->changed();
}

} // namespace tavlin
