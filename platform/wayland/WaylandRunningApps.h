#pragma once

#include "platform/RunningApps.h"
#include "platform/linux/DesktopEntryIndex.h"

#include <QHash>
#include <memory>

namespace tavlin {

class CompositorWindows;

// The processes that own a regular window, as the compositor's IPC reports them. The desktop
// file and its icon are looked up once per app id.
class WaylandRunningApps : public RunningApps
{
    Q_OBJECT
public:
    explicit WaylandRunningApps(std::shared_ptr<CompositorWindows> source,
                                QObject* parent = nullptr);

    QList<RunningApp> apps() const override { return m_apps; }
    std::optional<qint32> frontmostPid() const override;

private:
    void update();

    std::shared_ptr<CompositorWindows> m_source;
    DesktopEntryIndex m_entries;
    QHash<QString, RunningApp> m_known; // by instance and app id
    QList<RunningApp> m_apps;
};

} // namespace tavlin
