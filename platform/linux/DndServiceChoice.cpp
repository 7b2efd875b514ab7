#include "platform/linux/DndServiceChoice.h"

#include "platform/linux/DunstDoNotDisturb.h"
#include "platform/linux/GsettingsDoNotDisturb.h"
#include "platform/linux/InhibitDoNotDisturb.h"
#include "platform/linux/MakoDoNotDisturb.h"
#include "platform/linux/SwayncDoNotDisturb.h"
#include "platform/linux/XfconfDoNotDisturb.h"

#include <QCoreApplication>
#include <array>

namespace tavlin::DndServiceChoice {

QString serviceNamed(const QString& serverName)
{
    static const std::array<std::pair<QLatin1String, const char*>, 5> names{{
        {QLatin1String("dunst"), DunstDoNotDisturb::serviceId},
        {QLatin1String("mako"), MakoDoNotDisturb::serviceId},
        {QLatin1String("SwayNotificationCenter"), SwayncDoNotDisturb::serviceId},
        {QLatin1String("Xfce Notify Daemon"), XfconfDoNotDisturb::serviceId},
        {QLatin1String("gnome-shell"), GsettingsDoNotDisturb::serviceId},
    }};
    for (const auto& [server, service] : names) {
        if (serverName == server)
            return QString::fromLatin1(service);
    }
    return {};
}

QString choose(const Facts& facts, QString& reason)
{
    reason.clear();
    if (!facts.bus) {
        reason = QCoreApplication::translate("tavlin", "Needs a session bus");
        return {};
    }
    if (facts.serverName.isEmpty()) {
        reason = QCoreApplication::translate("tavlin", "No notification service is running");
        return {};
    }
    // Given back by the service itself, even after a kill: the surest way where there is one.
    if (facts.inhibits)
        return QString::fromLatin1(InhibitDoNotDisturb::serviceId);
    const QString service = serviceNamed(facts.serverName);
    if (!service.isEmpty() && facts.switchable)
        return service;
    reason = QCoreApplication::translate("tavlin", "Tavlin can't switch %1's Do Not Disturb")
                 .arg(facts.serverName);
    return {};
}

} // namespace tavlin::DndServiceChoice
