#include "tests/kwin/KwinTestMain.h"

#include "tests/kwin/KwinSession.h"
#include "tests/session/SessionTestMain.h"

namespace tavlin {

int runKwinTest(int argc, char** argv, const std::function<int(int, char**)>& tests)
{
    if (const QString missing = KwinSession::unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    KwinSession session;
    return runInSession(argc, argv, session, "wayland", {}, tests);
}

} // namespace tavlin
