#include "tests/wayland/WaylandTestMain.h"

#include "tests/session/SessionTestMain.h"

namespace tavlin {

int runWaylandTest(int argc, char** argv, const WaylandSessionOptions& options,
                   const std::function<int(int, char**)>& tests)
{
    if (const QString missing = WaylandSession::unavailableReason(options); !missing.isEmpty())
        return sessionMissing(missing);
    WaylandSession session(options);
    return runInSession(argc, argv, session, "wayland", {}, tests);
}

} // namespace tavlin
