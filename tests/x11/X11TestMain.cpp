#include "tests/x11/X11TestMain.h"

#include <QApplication>
#include <cstdio>

namespace tavlin {

int runX11Test(int argc, char** argv, const X11SessionOptions& options,
               const std::function<int(int, char**)>& tests)
{
    X11Session session(options);
    if (!session.start()) {
        std::fprintf(stderr, "FAIL: the X11 test session did not start: %s\n",
                     qPrintable(session.errorString()));
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The session clears the user's scaling; a test run may ask for its own.
    if (const QByteArray scale = qgetenv("TAVLIN_TEST_SCALE"); !scale.isEmpty())
        qputenv("QT_SCALE_FACTOR", scale);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = tests(argc, argv);
    }
    session.stop();
    return result;
}

} // namespace tavlin
