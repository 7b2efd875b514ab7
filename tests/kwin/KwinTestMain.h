#pragma once

#include "tests/kwin/KwinSession.h"
#include "tests/session/SessionTestMain.h"

namespace tavlin {

// Runs `tests` on Qt's Wayland platform in a KWin session. KWin not installed skips the run
// (exit 77), except under CI.
inline int runKwinTest(int argc, char** argv, const std::function<int(int, char**)>& tests)
{
    KwinSession session;
    if (const QString missing = session.unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    return runInSession(argc, argv, session, "wayland", {}, tests);
}

// The session the test runs in, for its functions.
inline KwinSession& session()
{
    return *KwinSession::current();
}

} // namespace tavlin

#define TAVLIN_KWIN_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runKwinTest(argc, argv, ::tavlin::execTests<TestClass>);                  \
    }
