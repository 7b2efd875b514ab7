#pragma once

#include "platform/linux/DaemonDoNotDisturb.h"

namespace tavlin {

// dunst: the property "paused" of its control interface, as dunstctl set-paused writes it.
// The daemon keeps it in memory; a restarted dunst starts unpaused.
class DunstDoNotDisturb final : public DaemonDoNotDisturb
{
public:
    static constexpr char serviceId[] = "dunst";

    explicit DunstDoNotDisturb(QDBusConnection bus);

    // Whether the running notification service offers the control interface (dunst 1.5 on).
    static bool isOffered(const QDBusConnection& bus);

    QString id() const override { return QString::fromLatin1(serviceId); }
    std::optional<DndState> read() override;
    bool write(DndState state) override;
};

} // namespace tavlin
