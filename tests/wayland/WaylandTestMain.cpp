#include "tests/wayland/WaylandTestMain.h"

#include <QApplication>
#include <cstdio>

namespace tavlin {

int runWaylandTest(int argc, char** argv, const WaylandSessionOptions& options,
                   const std::function<int(int, char**)>& tests)
{
    const QString missing = WaylandSession::unavailableReason(options);
    if (!missing.isEmpty()) {
        // CI installs every compositor the tests need: missing there is a fault.
        const bool ci = qEnvironmentVariableIsSet("CI");
        std::fprintf(stderr, "%s: %s\n", ci ? "FAIL" : "SKIP", qPrintable(missing));
        return ci ? 2 : skippedExitCode;
    }
    WaylandSession session(options);
    if (!session.start()) {
        std::fprintf(stderr, "FAIL: the Wayland test session did not start: %s\n",
                     qPrintable(session.errorString()));
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "wayland");
    // Sharp, predictable pixels: no scaling of Qt's own besides what the outputs say.
    qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    int result = 0;
    {
        QApplication app(argc, argv);
        result = tests(argc, argv);
    }
    session.stop();
    return result;
}

} // namespace tavlin
