#pragma once

#include <QString>
#include <optional>

namespace tavlin {

// What a notification service's Do Not Disturb holds. Unset: the user never chose, so the
// service's default applies (off everywhere); giving that back means removing a value, not
// writing "off".
enum class DndState { Off, On, Unset };

// The Do Not Disturb switch of one notification service, read and written over the session bus
// or the settings store the service itself reads.
class DoNotDisturb
{
public:
    virtual ~DoNotDisturb() = default;

    // Names the service in what the state folder records: "dunst", "gnome" …
    virtual QString id() const = 0;
    // Null when it cannot be read now.
    virtual std::optional<DndState> read() = 0;
    virtual bool write(DndState state) = 0;
    // The unique bus name of the daemon that keeps the state in memory, which a restarted
    // daemon has forgotten; empty where a settings store keeps it.
    virtual QString keeper() const = 0;
    // True where the service ends what this object switched on by itself once the program's
    // bus connection closes: nothing then needs recording or guarding.
    virtual bool endsWithConnection() const = 0;
};

} // namespace tavlin
