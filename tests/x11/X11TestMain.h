#pragma once

#include "tests/x11/X11Session.h"

#include <QTest>
#include <functional>

namespace tavlin {

// Starts a session with `options`, runs `tests` inside a QApplication on it and stops the
// session again. A session that cannot start fails the run: it is never skipped.
// TAVLIN_TEST_SCALE sets Qt's scale factor for the application.
int runX11Test(int argc, char** argv, const X11SessionOptions& options,
               const std::function<int(int, char**)>& tests);

} // namespace tavlin

// main() for a test class that needs a display; the options go in braces, e.g.
//   TAVLIN_X11_TEST_MAIN(TestCover, {.twoMonitors = true, .compositor = true})
#define TAVLIN_X11_TEST_MAIN(TestClass, ...)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runX11Test(argc, argv, ::tavlin::X11SessionOptions __VA_ARGS__,           \
                                    [](int count, char** arguments) {                              \
                                        TestClass test;                                            \
                                        QTEST_SET_MAIN_SOURCE_PATH                                 \
                                        return QTest::qExec(&test, count, arguments);              \
                                    });                                                            \
    }
