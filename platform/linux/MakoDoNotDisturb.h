#pragma once

#include "platform/linux/DaemonDoNotDisturb.h"

namespace tavlin {

// mako: its mode "do-not-disturb", added to and taken from the modes the user has, which hides
// notifications only where the user's configuration defines that mode. The daemon keeps its
// modes in memory.
class MakoDoNotDisturb final : public DaemonDoNotDisturb
{
public:
    static constexpr char serviceId[] = "mako";

    explicit MakoDoNotDisturb(QDBusConnection bus);

    // Whether the running notification service lists and sets modes (mako 1.7 on).
    static bool isOffered(const QDBusConnection& bus);

    QString id() const override { return QString::fromLatin1(serviceId); }
    std::optional<DndState> read() override;
    bool write(DndState state) override;

private:
    std::optional<QStringList> modes();
};

} // namespace tavlin
