#pragma once

#include "platform/NotificationServices.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <optional>

namespace tavlin {

// The notification service on the session bus, found through GetServerInformation and what it
// offers, without starting one that does not run. What was found holds until another program
// takes over the notifications.
class DbusNotificationServices final : public NotificationServices
{
public:
    explicit DbusNotificationServices(QDBusConnection bus);

    std::unique_ptr<DoNotDisturb> current(QString* reason = nullptr) override;
    std::unique_ptr<DoNotDisturb> named(const QString& id) override;

private:
    struct Found
    {
        QString service;
        QString reason;
    };
    Found find();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    std::optional<Found> m_found;
};

} // namespace tavlin
