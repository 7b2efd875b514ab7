// The program started where no tray runs yet: it keeps running, says so once, and its icon
// appears when a tray starts.
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QProcess>
#include <QTest>

using namespace tavlin;

class TestAppWithoutTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void iconAppearsWhenATrayStarts()
    {
        X11Session& session = *X11Session::current();
        QProcess program;
        program.start(QStringLiteral(TAVLIN_PROGRAM));
        QVERIFY(program.waitForStarted());
        // Up and answering on the bus, without a tray.
        QVERIFY(X11Session::waitFor([&] {
            return session.run(QStringLiteral(TAVLIN_PROGRAM),
                               {QStringLiteral("spotlight"), QStringLiteral("off")});
        }));
        QCOMPARE(program.state(), QProcess::Running);
        QByteArray said;
        QVERIFY(X11Session::waitFor([&] {
            said += program.readAllStandardError();
            return said.endsWith('\n');
        }));
        QCOMPARE(said.count('\n'), 1);
        QVERIFY2(said.contains("no system tray"), said.constData());

        QVERIFY(session.startTray());
        // The icon's gradient shows up in the tray along the bottom edge.
        QVERIFY(X11Session::waitFor([&] {
            const QImage screen = session.grabScreen();
            for (int y = screen.height() - 24; y < screen.height(); ++y)
                for (int x = 0; x < screen.width(); ++x) {
                    const QRgb pixel = screen.pixel(x, y);
                    if (qRed(pixel) > 200 && qRed(pixel) - qBlue(pixel) > 70)
                        return true;
                }
            return false;
        }));
        QVERIFY(program.readAllStandardError().isEmpty()); // said once only
        program.kill();
        program.waitForFinished();
    }
};

TAVLIN_X11_TEST_MAIN(TestAppWithoutTray, {})

#include "tst_appwithouttray.moc"
