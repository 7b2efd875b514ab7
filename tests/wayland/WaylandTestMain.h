#pragma once

#include "tests/wayland/WaylandSession.h"

#include <QTest>
#include <functional>

namespace tavlin {

// Starts a session with `options`, runs `tests` inside a QApplication on it (Qt's Wayland
// platform) and stops the session again. A compositor that is not installed skips the run,
// except under CI; one that is installed but does not start fails it.
int runWaylandTest(int argc, char** argv, const WaylandSessionOptions& options,
                   const std::function<int(int, char**)>& tests);

} // namespace tavlin

// main() for a test class that needs a Wayland compositor; the options go in braces, e.g.
//   TAVLIN_WAYLAND_TEST_MAIN(TestCover, {.outputs = 2})
#define TAVLIN_WAYLAND_TEST_MAIN(TestClass, ...)                                                   \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runWaylandTest(argc, argv, ::tavlin::WaylandSessionOptions __VA_ARGS__,   \
                                        [](int count, char** arguments) {                          \
                                            TestClass test;                                        \
                                            QTEST_SET_MAIN_SOURCE_PATH                             \
                                            return QTest::qExec(&test, count, arguments);          \
                                        });                                                        \
    }
