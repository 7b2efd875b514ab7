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
    int result = 0;
    {
        QApplication app(argc, argv);
        result = tests(argc, argv);
    }
    session.stop();
    return result;
}

} // namespace tavlin
