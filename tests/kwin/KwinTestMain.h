#pragma once

#include <QTest>
#include <functional>

namespace tavlin {

// Starts a KWin session, runs `tests` inside a QApplication on it (Qt's Wayland platform) and
// stops the session again. KWin not installed skips the run (exit 77), except under CI.
int runKwinTest(int argc, char** argv, const std::function<int(int, char**)>& tests);

} // namespace tavlin

#define TAVLIN_KWIN_TEST_MAIN(TestClass)                                                           \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runKwinTest(argc, argv, [](int count, char** arguments) {                 \
            TestClass test;                                                                        \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            return QTest::qExec(&test, count, arguments);                                          \
        });                                                                                        \
    }
