// The Wayland test session itself: what the other Wayland tests rely on holds.
#include "tests/session/PixelChecks.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using namespace tavlin;

namespace {

WaylandSession& session()
{
    return *WaylandSession::current();
}

} // namespace

class TestWaylandSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void screensAreTheOutputs();
    void windowShowsWhereItIsPutAndTakesClicks();
    void outputsComeAndScale();
};

void TestWaylandSession::screensAreTheOutputs()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    const QList<QRect> expected{QRect(0, 0, 1024, 768), QRect(1024, 0, 1024, 768)};
    QCOMPARE(session().outputRects(), expected);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->geometry());
    std::sort(screens.begin(), screens.end(),
              [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
    QCOMPARE(screens, expected);
    QVERIFY(pixels::isUniform(session().grabScreen(), QRect(0, 0, 2048, 768),
                              QColor(WaylandSession::wallpaperColor)));
}

void TestWaylandSession::windowShowsWhereItIsPutAndTakesClicks()
{
    const QRect where(1100, 200, 300, 200); // on the second output
    const qint64 pid =
        session().startWindow(where, Qt::red, QStringLiteral("tavlin-test-a"), Qt::green);
    QVERIFY2(pid, qPrintable(session().errorString()));
    QCOMPARE(session().windowRect(pid), where);
    QVERIFY(WaylandSession::waitFor(
        [&] { return pixels::isUniform(session().grabScreen(), where, Qt::red); }));
    QVERIFY(pixels::isUniform(session().grabScreen(),
                              where.adjusted(-4, -4, 4, 4).translated(0, 220),
                              QColor(WaylandSession::wallpaperColor)));

    QVERIFY(session().click(where.center()));
    QVERIFY(WaylandSession::waitFor([&] { return session().outputOf(pid).contains("pressed"); }));
    QVERIFY(WaylandSession::waitFor(
        [&] { return pixels::isUniform(session().grabScreen(), where, Qt::green); }));
    QVERIFY(session().moveWindow(pid, QPoint(100, 100)));
    QVERIFY(WaylandSession::waitFor([&] {
        return pixels::isUniform(session().grabScreen(), QRect(100, 100, 300, 200), Qt::green);
    }));
    session().stopClient(pid);
    QVERIFY(session().windowRect(pid).isNull());
}

void TestWaylandSession::outputsComeAndScale()
{
    const QString added = session().addOutput();
    QVERIFY2(!added.isEmpty(), qPrintable(session().errorString()));
    QCOMPARE(QGuiApplication::screens().size(), 3);
    QCOMPARE(session().outputRects().last(), QRect(2048, 0, 1024, 768));
    QVERIFY2(session().setOutputScale(added, 2), qPrintable(session().errorString()));
    QCOMPARE(session().outputRects().last(), QRect(2048, 0, 512, 384));
    QCOMPARE(session().grabOutput(added).size(), QSize(1024, 768));
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandSession, {})

#include "tst_waylandsession.moc"
