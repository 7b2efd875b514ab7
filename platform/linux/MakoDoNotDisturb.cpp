#include "platform/linux/MakoDoNotDisturb.h"

#include "platform/linux/BusCalls.h"

namespace tavlin {

namespace {

const BusCalls::Target control{QStringLiteral("org.freedesktop.Notifications"),
                               QStringLiteral("/fr/emersion/Mako"),
                               QStringLiteral("fr.emersion.Mako")};
const QString mode = QStringLiteral("do-not-disturb");

} // namespace

MakoDoNotDisturb::MakoDoNotDisturb(QDBusConnection bus)
    : DaemonDoNotDisturb(std::move(bus), control.service)
{
}

bool MakoDoNotDisturb::isOffered(const QDBusConnection& bus)
{
    return BusCalls::offers(bus, control, QStringLiteral("SetModes"));
}

std::optional<QStringList> MakoDoNotDisturb::modes()
{
    const std::optional<QVariant> modes =
        BusCalls::firstArgument(BusCalls::call(bus(), control, QStringLiteral("ListModes")));
    if (!modes || modes->typeId() != QMetaType::QStringList)
        return std::nullopt;
    return modes->toStringList();
}

std::optional<DndState> MakoDoNotDisturb::read()
{
    const std::optional<QStringList> current = modes();
    if (!current)
        return std::nullopt;
    return current->contains(mode) ? DndState::On : DndState::Off;
}

bool MakoDoNotDisturb::write(DndState state)
{
    // The user's other modes stay as they are now.
    std::optional<QStringList> current = modes();
    if (!current)
        return false;
    current->removeAll(mode);
    if (state == DndState::On)
        current->append(mode);
    const QDBusMessage reply =
        BusCalls::call(bus(), control, QStringLiteral("SetModes"), {*current});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace tavlin
