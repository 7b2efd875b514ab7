#include "platform/linux/DaemonDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

namespace tavlin {

DaemonDoNotDisturb::DaemonDoNotDisturb(QDBusConnection bus, QString busName)
    : m_bus(std::move(bus)), m_busName(std::move(busName))
{
}

QString DaemonDoNotDisturb::keeper() const
{
    return BusCalls::owner(m_bus, m_busName);
}

} // namespace tavlin
