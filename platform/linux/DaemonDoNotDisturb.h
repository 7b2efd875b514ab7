#pragma once

#include "platform/DoNotDisturb.h"

#include <QDBusConnection>

namespace tavlin {

// A switch that a daemon on the bus keeps in memory, under `busName`: one that restarted has
// forgotten what was set.
class DaemonDoNotDisturb : public DoNotDisturb
{
public:
    QString keeper() const override;
    bool endsWithConnection() const override { return false; }

protected:
    DaemonDoNotDisturb(QDBusConnection bus, QString busName);

    const QDBusConnection& bus() const { return m_bus; }

private:
    QDBusConnection m_bus;
    QString m_busName;
};

} // namespace tavlin
