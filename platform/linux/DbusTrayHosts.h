#pragma once

#include "platform/TrayHosts.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>

namespace tavlin {

// Asks the session's StatusNotifierWatcher, which panels register their hosts with.
class DbusTrayHosts : public TrayHosts
{
    Q_OBJECT
public:
    explicit DbusTrayHosts(QObject* parent = nullptr);

    bool hasStatusNotifierHost() const override;

private Q_SLOTS:
    void hostRegistered();

private:
    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
};

} // namespace tavlin
