#pragma once

#include "tests/session/SessionTestMain.h"
#include "tests/wayland/WaylandSession.h"

namespace tavlin {

// Runs `tests` on Qt's Wayland platform in a session with `options`. A compositor that is not
// installed skips the run, except under CI; one that is installed but does not start fails it.
inline int runWaylandTest(int argc, char** argv, const WaylandSessionOptions& options,
                          const std::function<int(int, char**)>& tests)
{
    WaylandSession session(options);
    if (const QString missing = session.unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    return runInSession(argc, argv, session, "wayland", {}, tests);
}

// The session the test runs in, for its functions.
inline WaylandSession& session()
{
    return *WaylandSession::current();
}

} // namespace tavlin

// main() for a test class that needs a Wayland compositor; the options go in braces, e.g.
//   TAVLIN_WAYLAND_TEST_MAIN(TestCover, {.outputs = 2})
#define TAVLIN_WAYLAND_TEST_MAIN(TestClass, ...)                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runWaylandTest(argc, argv, ::tavlin::WaylandSessionOptions __VA_ARGS__,   \
                                        ::tavlin::execTests<TestClass>);                           \
    }
