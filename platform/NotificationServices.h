#pragma once

#include "platform/DoNotDisturb.h"

#include <QString>
#include <memory>

namespace tavlin {

// The session's notification service, as far as Tavlin can switch its Do Not Disturb.
class NotificationServices
{
public:
    virtual ~NotificationServices() = default;

    // The switch of the service running now; null when Tavlin can switch none, and `reason`
    // (when given) then says why in one line.
    virtual std::unique_ptr<DoNotDisturb> current(QString* reason = nullptr) = 0;
    // The switch of the service with this id, whatever runs now, to give back what a record
    // says; null for an id this program does not know.
    virtual std::unique_ptr<DoNotDisturb> named(const QString& id) = 0;
};

} // namespace tavlin
