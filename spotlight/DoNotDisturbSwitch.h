#pragma once

#include "platform/ExitGuard.h"
#include "platform/NotificationServices.h"
#include "platform/StateFolder.h"

#include <memory>

namespace tavlin {

// Switches the notification service to Do Not Disturb while spotlight mode is on, and gives the
// user's own state back afterwards, unless the user changed it meanwhile. Before a change, what
// the service held is recorded in the state folder and a helper that outlives the program is
// armed, so the state comes back also when the program is killed; a record still there at the
// next start is given back then. A service that ends the change with the program's bus
// connection needs neither. One holder at a time, across processes: the record's lock is held
// for as long as Do Not Disturb is.
class DoNotDisturbSwitch
{
public:
    static constexpr int lockWaitMs = 1000;

    // All three must outlive the switch.
    DoNotDisturbSwitch(NotificationServices& services, StateFolder& state, ExitGuard& guard);
    // Gives back what it still holds.
    ~DoNotDisturbSwitch();
    DoNotDisturbSwitch(const DoNotDisturbSwitch&) = delete;
    DoNotDisturbSwitch& operator=(const DoNotDisturbSwitch&) = delete;

    // Why the session's service cannot be switched, in one line; empty when it can.
    QString unavailableReason();
    // Switches Do Not Disturb on unless it is on already: true when this did it, and holds it.
    bool switchOn();
    // Gives back the state found by switchOn(), if the service still holds what it set.
    void giveBack();
    bool holds() const { return m_lock != nullptr; }

    // Gives back what a record left by a program that ended without doing so says, unless
    // another program holds Do Not Disturb now. Leaves the folder alone when there is none.
    static void giveBackLeftover(NotificationServices& services, StateFolder& state,
                                 int waitMs = lockWaitMs);

private:
    bool hold(DoNotDisturb& dnd, DndState found);
    static void giveBackRecorded(NotificationServices& services, StateFolder& state);
    void release();

    NotificationServices& m_services;
    StateFolder& m_state;
    ExitGuard& m_guard;
    std::unique_ptr<HeldLock> m_lock;
    // Only for a service that ends the change with the connection: nothing else is recorded.
    std::unique_ptr<DoNotDisturb> m_connectionBound;
};

} // namespace tavlin
