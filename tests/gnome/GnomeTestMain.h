#pragma once

#include <QTest>
#include <functional>

namespace tavlin {

// Starts a GNOME Shell session, runs `tests` inside a QApplication on it (Qt's Wayland platform)
// and stops the session again. GNOME Shell not installed skips the run (exit 77), except under
// CI.
int runGnomeTest(int argc, char** argv, const std::function<int(int, char**)>& tests);

} // namespace tavlin

#define TAVLIN_GNOME_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        return ::tavlin::runGnomeTest(argc, argv, [](int count, char** arguments) {                \
            TestClass test;                                                                        \
            QTEST_SET_MAIN_SOURCE_PATH                                                             \
            return QTest::qExec(&test, count, arguments);                                          \
        });                                                                                        \
    }
