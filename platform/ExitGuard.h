#pragma once

namespace tavlin {

// A helper process that outlives this one. Once this process has ended, however it ended (a
// quit, a crash, SIGKILL), or once the guard is disarmed, the helper gives back the Do Not
// Disturb state that the state folder records, if any is left, and ends.
class ExitGuard
{
public:
    virtual ~ExitGuard() = default;

    // Starts the helper unless one is armed already; false when it could not be started.
    virtual bool arm() = 0;
    // Lets the helper go: it looks at the record at once and finds it given back already.
    virtual void disarm() = 0;
};

} // namespace tavlin
