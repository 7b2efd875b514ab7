#pragma once

#include "platform/DoNotDisturb.h"

#include <QDBusConnection>
#include <optional>

namespace tavlin {

// A notification service with inhibitions (KDE Plasma): Inhibit holds notifications back until
// UnInhibit, or until the bus connection that asked closes, so the program's end gives the
// user's state back by itself. "On" is this object's inhibition; the user's own Do Not Disturb
// is another thing, which it never touches.
class InhibitDoNotDisturb final : public DoNotDisturb
{
public:
    static constexpr char serviceId[] = "inhibit";

    explicit InhibitDoNotDisturb(QDBusConnection bus);

    // Whether the running notification service offers Inhibit.
    static bool isOffered(const QDBusConnection& bus);

    QString id() const override { return QString::fromLatin1(serviceId); }
    // The service's "Inhibited" where it tells; otherwise whether this object inhibits.
    std::optional<DndState> read() override;
    bool write(DndState state) override;
    QString keeper() const override { return {}; }
    bool endsWithConnection() const override { return true; }

private:
    QDBusConnection m_bus;
    std::optional<uint> m_cookie;
};

} // namespace tavlin
