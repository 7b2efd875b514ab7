#include "tests/kwin/KwinTestMain.h"

#include "tests/kwin/KwinSession.h"

#include <QApplication>
#include <cstdio>

namespace tavlin {

int runKwinTest(int argc, char** argv, const std::function<int(int, char**)>& tests)
{
    const QString missing = KwinSession::unavailableReason();
    if (!missing.isEmpty()) {
        // CI installs KWin for the tests: missing there is a fault.
        const bool ci = qEnvironmentVariableIsSet("CI");
        std::fprintf(stderr, "%s: %s\n", ci ? "FAIL" : "SKIP", qPrintable(missing));
        return ci ? 2 : 77;
    }
    KwinSession session;
    if (!session.start()) {
        std::fprintf(stderr, "FAIL: the KWin test session did not start: %s\n",
                     qPrintable(session.errorString()));
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "wayland");
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
