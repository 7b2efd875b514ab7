#pragma once

#include "platform/linux/DaemonDoNotDisturb.h"

namespace tavlin {

// SwayNotificationCenter: the Do Not Disturb switch of its control centre, as swaync-client
// --dnd-on writes it. The daemon keeps it in memory.
class SwayncDoNotDisturb final : public DaemonDoNotDisturb
{
public:
    static constexpr char serviceId[] = "swaync";

    explicit SwayncDoNotDisturb(QDBusConnection bus);

    // Whether the control centre is on the bus.
    static bool isOffered(const QDBusConnection& bus);

    QString id() const override { return QString::fromLatin1(serviceId); }
    std::optional<DndState> read() override;
    bool write(DndState state) override;
};

} // namespace tavlin
