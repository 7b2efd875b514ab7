#include "platform/linux/DunstDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

namespace tavlin {

namespace {

const BusCalls::Target control{QStringLiteral("org.freedesktop.Notifications"),
                               QStringLiteral("/org/freedesktop/Notifications"),
                               QStringLiteral("org.dunstproject.cmd0")};
const QString paused = QStringLiteral("paused");

} // namespace

DunstDoNotDisturb::DunstDoNotDisturb(QDBusConnection bus)
    : DaemonDoNotDisturb(std::move(bus), control.service)
{
}

bool DunstDoNotDisturb::isOffered(const QDBusConnection& bus)
{
    return BusCalls::offers(bus, control, paused);
}

std::optional<DndState> DunstDoNotDisturb::read()
{
    const std::optional<QVariant> value = BusCalls::property(bus(), control, paused);
    if (!value || value->typeId() != QMetaType::Bool)
        return std::nullopt;
    return value->toBool() ? DndState::On : DndState::Off;
}

bool DunstDoNotDisturb::write(DndState state)
{
    return BusCalls::setProperty(bus(), control, paused, state == DndState::On);
}

} // namespace tavlin
