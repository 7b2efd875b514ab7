#pragma once

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QTest>
#include <cstdio>
#include <functional>

namespace tavlin {

// What a test program returns when it cannot run here at all (ctest's SKIP_RETURN_CODE).
inline constexpr int skippedExitCode = 77;

// The exit code for a session whose programs are not installed: skipped on a developer's
// machine, a fault under CI, which installs everything the tests need.
inline int sessionMissing(const QString& reason)
{
    const bool ci = qEnvironmentVariableIsSet("CI");
    std::fprintf(stderr, "%s: %s\n", ci ? "FAIL" : "SKIP", qPrintable(reason));
    return ci ? 2 : skippedExitCode;
}

// Starts `session`, runs `tests` inside a QApplication on Qt's `platform` there and stops the
// session again; a session that does not start fails the run. `scale` is for Qt: the session
// clears the user's scaling from the environment when it starts.
template <typename Session>
int runInSession(int argc, char** argv, Session& session, const char* platform,
                 const QByteArray& scale, const std::function<int(int, char**)>& tests)
{
    if (!session.start()) {
        std::fprintf(stderr, "FAIL: the test session did not start: %s\n",
                     qPrintable(session.errorString()));
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", platform);
    // Sharp, predictable pixels: no scaling of Qt's own besides what the screens say.
    qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    if (!scale.isEmpty())
        qputenv("QT_SCALE_FACTOR", scale);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = tests(argc, argv);
    }
    session.stop();
    return result;
}

// Runs the test class's functions, as QTEST_MAIN would.
template <typename TestClass> int execTests(int argc, char** argv)
{
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace tavlin
