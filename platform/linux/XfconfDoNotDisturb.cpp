#include "platform/linux/XfconfDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

#include <QDBusConnectionInterface>
#include <QDBusVariant>

namespace tavlin {

namespace {

const BusCalls::Target xfconf{QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
                              QStringLiteral("org.xfce.Xfconf")};
const QString channel = QStringLiteral("xfce4-notifyd");
const QString property = QStringLiteral("/do-not-disturb");

QDBusMessage callXfconf(const QDBusConnection& bus, const QString& method,
                        const QVariantList& arguments)
{
    return BusCalls::call(bus, xfconf, method, arguments, true);
}

} // namespace

XfconfDoNotDisturb::XfconfDoNotDisturb(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool XfconfDoNotDisturb::isOffered(const QDBusConnection& bus)
{
    QDBusConnectionInterface* daemon = bus.interface();
    return daemon && (daemon->isServiceRegistered(xfconf.service) ||
                      daemon->activatableServiceNames().value().contains(xfconf.service));
}

std::optional<DndState> XfconfDoNotDisturb::read()
{
    const QDBusMessage reply =
        callXfconf(m_bus, QStringLiteral("GetProperty"), {channel, property});
    if (reply.errorName() == QLatin1String("org.xfce.Xfconf.Error.PropertyNotFound"))
        return DndState::Unset;
    const std::optional<QVariant> value = BusCalls::firstArgument(reply);
    if (!value || value->typeId() != QMetaType::Bool)
        return std::nullopt;
    return value->toBool() ? DndState::On : DndState::Off;
}

bool XfconfDoNotDisturb::write(DndState state)
{
    const QDBusMessage reply =
        state == DndState::Unset
            ? callXfconf(m_bus, QStringLiteral("ResetProperty"), {channel, property, false})
            : callXfconf(
                  m_bus, QStringLiteral("SetProperty"),
                  {channel, property, QVariant::fromValue(QDBusVariant(state == DndState::On))});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace tavlin
