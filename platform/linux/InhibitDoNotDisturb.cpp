#include "platform/linux/InhibitDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

#include <QVariantMap>

namespace tavlin {

namespace {

const BusCalls::Target notifications{QStringLiteral("org.freedesktop.Notifications"),
                                     QStringLiteral("/org/freedesktop/Notifications"),
                                     QStringLiteral("org.freedesktop.Notifications")};

} // namespace

InhibitDoNotDisturb::InhibitDoNotDisturb(QDBusConnection bus) : m_bus(std::move(bus)) {}

bool InhibitDoNotDisturb::isOffered(const QDBusConnection& bus)
{
    return BusCalls::offers(bus, notifications, QStringLiteral("Inhibit"));
}

std::optional<DndState> InhibitDoNotDisturb::read()
{
    const std::optional<QVariant> inhibited =
        BusCalls::property(m_bus, notifications, QStringLiteral("Inhibited"));
    if (inhibited && inhibited->typeId() == QMetaType::Bool)
        return inhibited->toBool() ? DndState::On : DndState::Off;
    return m_cookie ? DndState::On : DndState::Off;
}

bool InhibitDoNotDisturb::write(DndState state)
{
    if (state != DndState::On) {
        if (!m_cookie)
            return true;
        const QDBusMessage reply =
            BusCalls::call(m_bus, notifications, QStringLiteral("UnInhibit"), {*m_cookie});
        m_cookie.reset();
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    if (m_cookie)
        return true;
    // The desktop shows which program holds notifications back, and why.
    const std::optional<QVariant> cookie = BusCalls::firstArgument(BusCalls::call(
        m_bus, notifications, QStringLiteral("Inhibit"),
        {QStringLiteral("tavlin"), QStringLiteral("Spotlight mode is on"), QVariantMap()}));
    if (!cookie || cookie->typeId() != QMetaType::UInt)
        return false;
    m_cookie = cookie->toUInt();
    return true;
}

} // namespace tavlin
