#pragma once

#include "platform/DoNotDisturb.h"

#include <QDBusConnection>

namespace tavlin {

// Xfce's notification daemon: the property /do-not-disturb of the xfconf channel
// xfce4-notifyd, through xfconfd on the bus. A settings store: it outlives the daemon, and
// xfconfd is started for it when needed.
class XfconfDoNotDisturb final : public DoNotDisturb
{
public:
    static constexpr char serviceId[] = "xfce";

    explicit XfconfDoNotDisturb(QDBusConnection bus);

    // Whether xfconfd runs or can be started.
    static bool isOffered(const QDBusConnection& bus);

    QString id() const override { return QString::fromLatin1(serviceId); }
    std::optional<DndState> read() override;
    bool write(DndState state) override;
    QString keeper() const override { return {}; }
    bool endsWithConnection() const override { return false; }

private:
    QDBusConnection m_bus;
};

} // namespace tavlin
