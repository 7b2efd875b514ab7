#include "platform/linux/DbusNotificationServices.h"

#include "platform/linux/BusCalls.h"
#include "platform/linux/DndServiceChoice.h"
#include "platform/linux/DunstDoNotDisturb.h"
#include "platform/linux/GsettingsDoNotDisturb.h"
#include "platform/linux/InhibitDoNotDisturb.h"
#include "platform/linux/MakoDoNotDisturb.h"
#include "platform/linux/SwayncDoNotDisturb.h"
#include "platform/linux/XfconfDoNotDisturb.h"

namespace tavlin {

namespace {

const BusCalls::Target notifications{QStringLiteral("org.freedesktop.Notifications"),
                                     QStringLiteral("/org/freedesktop/Notifications"),
                                     QStringLiteral("org.freedesktop.Notifications")};

bool isSwitchable(const QDBusConnection& bus, const QString& service)
{
    if (service == QLatin1String(DunstDoNotDisturb::serviceId))
        return DunstDoNotDisturb::isOffered(bus);
    if (service == QLatin1String(MakoDoNotDisturb::serviceId))
        return MakoDoNotDisturb::isOffered(bus);
    if (service == QLatin1String(SwayncDoNotDisturb::serviceId))
        return SwayncDoNotDisturb::isOffered(bus);
    if (service == QLatin1String(XfconfDoNotDisturb::serviceId))
        return XfconfDoNotDisturb::isOffered(bus);
    if (service == QLatin1String(GsettingsDoNotDisturb::serviceId))
        return GsettingsDoNotDisturb::isOffered();
    return false;
}

} // namespace

DbusNotificationServices::DbusNotificationServices(QDBusConnection bus)
    : m_bus(std::move(bus)),
      m_watcher(notifications.service, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    m_watcher.addWatchedService(QStringLiteral("org.erikreider.swaync.cc"));
    // Another daemon, or none: found again when next asked.
    QObject::connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, &m_watcher,
                     [this] { m_found.reset(); });
}

DbusNotificationServices::Found DbusNotificationServices::find()
{
    DndServiceChoice::Facts facts;
    facts.bus = m_bus.isConnected();
    if (facts.bus) {
        const QDBusMessage info =
            BusCalls::call(m_bus, notifications, QStringLiteral("GetServerInformation"));
        if (info.type() == QDBusMessage::ReplyMessage && !info.arguments().isEmpty())
            facts.serverName = info.arguments().constFirst().toString();
    }
    if (!facts.serverName.isEmpty()) {
        facts.inhibits = InhibitDoNotDisturb::isOffered(m_bus);
        facts.switchable = isSwitchable(m_bus, DndServiceChoice::serviceNamed(facts.serverName));
    }
    Found found;
    found.service = DndServiceChoice::choose(facts, found.reason);
    return found;
}

std::unique_ptr<DoNotDisturb> DbusNotificationServices::current(QString* reason)
{
    if (!m_found)
        m_found = find();
    if (reason)
        *reason = m_found->reason;
    return m_found->service.isEmpty() ? nullptr : named(m_found->service);
}

std::unique_ptr<DoNotDisturb> DbusNotificationServices::named(const QString& id)
{
    if (id == QLatin1String(DunstDoNotDisturb::serviceId))
        return std::make_unique<DunstDoNotDisturb>(m_bus);
    if (id == QLatin1String(MakoDoNotDisturb::serviceId))
        return std::make_unique<MakoDoNotDisturb>(m_bus);
    if (id == QLatin1String(SwayncDoNotDisturb::serviceId))
        return std::make_unique<SwayncDoNotDisturb>(m_bus);
    if (id == QLatin1String(XfconfDoNotDisturb::serviceId))
        return std::make_unique<XfconfDoNotDisturb>(m_bus);
    if (id == QLatin1String(GsettingsDoNotDisturb::serviceId))
        return std::make_unique<GsettingsDoNotDisturb>();
    if (id == QLatin1String(InhibitDoNotDisturb::serviceId))
        return std::make_unique<InhibitDoNotDisturb>(m_bus);
    return nullptr;
}

} // namespace tavlin
