#pragma once

#include "tests/session/SessionTestMain.h"
#include "tests/x11/X11Session.h"

namespace tavlin {

// Runs `tests` on a session with `options`; a session that cannot start fails the run: it is
// never skipped. TAVLIN_TEST_SCALE sets Qt's scale factor for the application.
inline int runX11Test(int argc, char** argv, const X11SessionOptions& options,
                      const std::function<int(int, char**)>& tests)
{
    X11Session session(options);
    return runInSession(argc, argv, session, "xcb", qgetenv("TAVLIN_TEST_SCALE"), tests);
}

// The session the test runs in, for its functions.
inline X11Session& session()
{
    return *X11Session::current();
}

} // namespace tavlin

// main() for a test class that needs a display; the options go in braces, e.g.
//   TAVLIN_X11_TEST_MAIN(TestCover, {.twoMonitors = true, .compositor = true})
#define TAVLIN_X11_TEST_MAIN(TestClass, ...)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runX11Test(argc, argv, ::tavlin::X11SessionOptions __VA_ARGS__,           \
                                    ::tavlin::execTests<TestClass>);                               \
    }
