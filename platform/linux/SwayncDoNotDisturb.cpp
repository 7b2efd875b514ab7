#include "platform/linux/SwayncDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

namespace tavlin {

namespace {

const BusCalls::Target control{QStringLiteral("org.erikreider.swaync.cc"),
                               QStringLiteral("/org/erikreider/swaync/cc"),
                               QStringLiteral("org.erikreider.swaync.cc")};

} // namespace

SwayncDoNotDisturb::SwayncDoNotDisturb(QDBusConnection bus)
    : DaemonDoNotDisturb(std::move(bus), control.service)
{
}

bool SwayncDoNotDisturb::isOffered(const QDBusConnection& bus)
{
    return !BusCalls::owner(bus, control.service).isEmpty();
}

std::optional<DndState> SwayncDoNotDisturb::read()
{
    const std::optional<QVariant> dnd =
        BusCalls::firstArgument(BusCalls::call(bus(), control, QStringLiteral("GetDnd")));
    if (!dnd || dnd->typeId() != QMetaType::Bool)
        return std::nullopt;
    return dnd->toBool() ? DndState::On : DndState::Off;
}

bool SwayncDoNotDisturb::write(DndState state)
{
    const QDBusMessage reply =
        BusCalls::call(bus(), control, QStringLiteral("SetDnd"), {state == DndState::On});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace tavlin
