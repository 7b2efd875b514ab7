#include "tests/x11/X11TestMain.h"

#include "tests/session/SessionTestMain.h"

namespace tavlin {

int runX11Test(int argc, char** argv, const X11SessionOptions& options,
               const std::function<int(int, char**)>& tests)
{
    // A test run may ask for a scale of its own.
    X11Session session(options);
    return runInSession(argc, argv, session, "xcb", qgetenv("TAVLIN_TEST_SCALE"), tests);
}

} // namespace tavlin
