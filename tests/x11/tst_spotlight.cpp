// Spotlight mode on a real X server: two monitors, openbox and picom, with test windows of known
// processes.
#include "backdrop/Backdrop.h"
#include "backdrop/OverlayWindow.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/CutoutView.h"
#include "spotlight/Spotlight.h"
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <unistd.h>

using namespace tavlin;

namespace {

constexpr QRgb backdropColor = 0xff2050c0; // a solid picture standing in for a built-in one
constexpr QRgb pinnedColor = 0xffe03030;
constexpr QRgb otherColor = 0xff30c040;
const QString pinnedClass = QStringLiteral("PinnedApp");

// The whole suite runs twice: blending holes under a compositor, and shaped overlays without.
bool compositing()
{
    return qEnvironmentVariableIsEmpty("TAVLIN_TEST_WITHOUT_COMPOSITOR");
}

bool setCompositor(bool on)
{
    return on ? session().startCompositor() : session().stopCompositor();
}

// How often the main thread went to sleep and was woken while the event loop ran for `ms`.
long wakeUpsWhileIdle(int ms)
{
    const auto switches = [] {
        QFile status(QStringLiteral("/proc/self/task/%1/status").arg(getpid()));
        if (!status.open(QIODevice::ReadOnly))
            return -1L;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                return line.mid(24).trimmed().toLong();
        }
        return -1L;
    };
    const long before = switches();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return switches() - before;
}

using pixels::shows;

// Just inside and just outside each corner of `rect`, where the rounding must stop exactly:
// the straight edges run into the corners, the very corner pixel is rounded off. The radius is
// in Qt's units, so it grows with the scale.
struct CornerProbe
{
    QPoint point;
    bool insideHole;
};
QList<CornerProbe> cornerProbes(const QRect& rect)
{
    const qreal scale = qGuiApp->devicePixelRatio();
    const int r = qRound(CutoutView::holeCornerRadius * scale);
    const int a = qRound(3 * scale);
    QList<CornerProbe> probes;
    const QList<QPoint> corners = {rect.topLeft(), rect.topRight(), rect.bottomLeft(),
                                   rect.bottomRight()};
    for (const QPoint& corner : corners) {
        const int dx = corner.x() == rect.left() ? 1 : -1;
        const int dy = corner.y() == rect.top() ? 1 : -1;
        probes.append({corner + QPoint(dx * r, dy), true});       // on the edge, past the arc
        probes.append({corner + QPoint(dx, dy * r), true});       // the other edge
        probes.append({corner + QPoint(dx * a, dy * a), true});   // the arc's inside
        probes.append({corner, false});                           // cut off by the rounding
        probes.append({corner + QPoint(-dx * 2, dy * r), false}); // just outside the edge
        probes.append({corner + QPoint(dx * r, -dy * 2), false});
    }
    return probes;
}

} // namespace

class TestSpotlight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void pinnedWindowsShowThroughExactly();
    void fallsBackToTheFrontmostApplication();
    void holesFollowAMovedWindow();
    void stillScreenWakesNothing();
    void holesStayWhileTheWindowListIsGone();
    void noHoleFor_data();
    void noHoleFor();
    void clicksGoThroughTheOverlay();
    void newAndRaisedWindowsStayCovered();
    void coversPanelsOnlyWhenAsked();
    void compositorStoppingAndStarting();
    void backdropCrossfade();
    void followsMonitorsComingAndGoing();
    void holesOnEveryMonitorLayout_data();
    void holesOnEveryMonitorLayout();
    void reminderAtMostThreeTimes();

private:
    bool holeShows(const QRect& rect, QRgb color);
    bool covered(const QRect& rect);
    qint64 startPinned(const QRect& rect);

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    std::unique_ptr<Spotlight> m_spotlight;
    QList<qint64> m_clients;
};

void TestSpotlight::initTestCase()
{
    const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(pictures));
    QVERIFY(pixels::saveSolid(pictures + QStringLiteral("/bg-country-road.jpeg"), backdropColor));
    m_services = PlatformFactory::makeWindowServices();
    m_images =
        std::make_unique<BackdropImages>(QStringList{pictures}, m_services.desktopPictures.get());
}

void TestSpotlight::init()
{
    QVERIFY(setCompositor(compositing()));
    QTRY_COMPARE(m_services.overlays->blends(), compositing());
    const QString file = session().scratchPath() + QStringLiteral("/settings.json");
    QFile::remove(file);
    m_settings = std::make_unique<JsonSettingsStore>(file);
    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
    m_settings->setValue(QStringLiteral("spotlightApps"), QJsonArray{pinnedClass});
    m_settings->setValue(QStringLiteral("spotlightRemindsAboutNotifications"), false);
    m_spotlight = std::make_unique<Spotlight>(*m_settings, *m_images, m_services);
}

void TestSpotlight::cleanup()
{
    m_spotlight.reset();
    for (const qint64 pid : std::as_const(m_clients))
        session().stopClient(pid);
    m_clients.clear();
    if (session().monitorRects() != session().twoMonitorRects())
        QVERIFY(session().setTwoMonitors(true));
    QVERIFY2(session().windowManagerRunning(), "openbox died");
}

qint64 TestSpotlight::startPinned(const QRect& rect)
{
    const qint64 pid = session().startWindow(
        rect, QColor(pinnedColor), 1.0, QStringLiteral("pinned"), {.windowClass = pinnedClass});
    m_clients.append(pid);
    return pid;
}

bool TestSpotlight::holeShows(const QRect& rect, QRgb color)
{
    const QImage screen = session().grabScreen();
    for (const CornerProbe& probe : cornerProbes(rect)) {
        if (!shows(screen, probe.point, probe.insideHole ? color : backdropColor))
            return false;
    }
    return shows(screen, rect.center(), color);
}

bool TestSpotlight::covered(const QRect& rect)
{
    const QImage screen = session().grabScreen();
    return pixels::isUniform(screen, rect, QColor(backdropColor), 12);
}

void TestSpotlight::pinnedWindowsShowThroughExactly()
{
    const QRect pinned(200, 150, 400, 300);
    const QRect other(300, 600, 300, 200);
    startPinned(pinned);
    m_clients.append(session().startWindow(other, QColor(otherColor)));
    QTRY_VERIFY(m_spotlight->runningApps().size() >= 2);

    m_spotlight->setOn(true);
    QCOMPARE(m_spotlight->windows().size(), 2);
    QVERIFY(X11Session::waitFor([&] { return holeShows(pinned, pinnedColor); }));
    QVERIFY(X11Session::waitFor([&] { return covered(other); }));
    QVERIFY(X11Session::waitFor([&] {
        return covered(QRect(1200, 100, 300, 300));
    })); // the other monitor: backdrop everywhere

    m_spotlight->setOn(false);
    QVERIFY(X11Session::waitFor(
        [&] { return shows(session().grabScreen(), other.center(), otherColor); }));
    QVERIFY(m_spotlight->windows().isEmpty());
}

void TestSpotlight::fallsBackToTheFrontmostApplication()
{
    m_settings->setValue(QStringLiteral("spotlightApps"),
                         QJsonArray{QStringLiteral("not.running")});
    m_spotlight = std::make_unique<Spotlight>(*m_settings, *m_images, m_services);
    const QRect front(1100, 200, 400, 300);
    const QRect back(200, 200, 400, 300);
    m_clients.append(session().startWindow(back, QColor(otherColor)));
    const qint64 frontPid = session().startWindow(front, QColor(pinnedColor));
    m_clients.append(frontPid);
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           QString::number(session().windowOf(frontPid))}));
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(frontPid)));

    m_spotlight->toggleWithoutAnimation();
    QCOMPARE(m_spotlight->fallbackPid(), std::optional<qint32>(qint32(frontPid)));
    QVERIFY(X11Session::waitFor([&] { return holeShows(front, pinnedColor); }));
    QVERIFY(X11Session::waitFor([&] { return covered(back); }));
}

void TestSpotlight::holesFollowAMovedWindow()
{
    const qint64 pid = startPinned(QRect(100, 100, 300, 200));
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(QRect(100, 100, 300, 200), pinnedColor); }));
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("windowmove"), QString::number(session().windowOf(pid)),
                           QStringLiteral("500"), QStringLiteral("400")}));
    QVERIFY(X11Session::waitFor([&] { return holeShows(QRect(500, 400, 300, 200), pinnedColor); }));
    QVERIFY(X11Session::waitFor([&] { return covered(QRect(110, 110, 280, 180)); }));
}

void TestSpotlight::stillScreenWakesNothing()
{
    const QRect rect(100, 100, 300, 200);
    startPinned(rect);
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(rect, pinnedColor); }));
    // Looking for changes 60 times a second would wake the program 60 times; the few left are
    // the last paints and events settling.
    const long wakeUps = wakeUpsWhileIdle(1000);
    QVERIFY2(wakeUps >= 0 && wakeUps < 30, qPrintable(QString::number(wakeUps)));
}

void TestSpotlight::holesStayWhileTheWindowListIsGone()
{
    const QRect rect(200, 150, 400, 300);
    const QString window = QString::number(session().windowOf(startPinned(rect)));
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(rect, pinnedColor); }));
    // Some window managers take their list of windows with them while they restart: nothing
    // is known then, and what was cut stays cut.
    QVERIFY(
        session().run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-remove"),
                                                QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    QGuiApplication::sync();
    QVERIFY(!X11Session::waitFor([&] { return !holeShows(rect, pinnedColor); }, 500));
    // The window manager lists its windows again at its next restack.
    QVERIFY(session().run(QStringLiteral("xdotool"), {QStringLiteral("windowraise"), window}));
    QVERIFY(X11Session::waitFor([&] {
        return !session()
                    .probe()
                    .windows(session().probe().root(), "_NET_CLIENT_LIST_STACKING")
                    .isEmpty();
    }));
    QVERIFY(X11Session::waitFor([&] { return holeShows(rect, pinnedColor); }));
}

void TestSpotlight::noHoleFor_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("action"); // an xdotool command applied to the window first

    QTest::newRow("minimised") << QSize(300, 200) << QStringLiteral("windowminimize");
    QTest::newRow("on another desktop")
        << QSize(300, 200) << QStringLiteral("set_desktop_for_window");
    QTest::newRow("40 wide") << QSize(40, 200) << QString();
    QTest::newRow("40 high") << QSize(300, 40) << QString();
}

void TestSpotlight::noHoleFor()
{
    QFETCH(QSize, size);
    QFETCH(QString, action);
    const QRect rect(QPoint(300, 300), size);
    const qint64 pid = startPinned(rect);
    // A big pinned window elsewhere shows the mode is cutting holes at all.
    startPinned(QRect(1100, 100, 300, 300));
    if (!action.isEmpty()) {
        QStringList args{action, QString::number(session().windowOf(pid))};
        if (action == QStringLiteral("set_desktop_for_window"))
            args << QStringLiteral("2");
        QVERIFY(session().run(QStringLiteral("xdotool"), args));
    }
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(
        X11Session::waitFor([&] { return holeShows(QRect(1100, 100, 300, 300), pinnedColor); }));
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
}

void TestSpotlight::clicksGoThroughTheOverlay()
{
    const QRect rect(300, 300, 300, 200);
    const qint64 coveredPid = session().startWindow(rect, QColor(otherColor));
    m_clients.append(coveredPid);
    startPinned(QRect(1100, 100, 300, 300)); // in front now
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
    // The window manager activates a window on a press inside it, so the press got through.
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QStringLiteral("450"),
                           QStringLiteral("400"), QStringLiteral("click"), QStringLiteral("1")}));
    const quint32 window = session().windowOf(coveredPid);
    QVERIFY(X11Session::waitFor([&] {
        return session().probe().windows(session().probe().root(), "_NET_ACTIVE_WINDOW") ==
               QList<quint32>{window};
    }));
}

void TestSpotlight::newAndRaisedWindowsStayCovered()
{
    m_spotlight->toggleWithoutAnimation();
    const QRect rect(300, 300, 300, 200);
    const qint64 pid = session().startWindow(rect, QColor(otherColor));
    m_clients.append(pid);
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                           QString::number(session().windowOf(pid))}));
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
}

void TestSpotlight::coversPanelsOnlyWhenAsked()
{
    const QRect panel(0, 0, 960, 32);
    m_clients.append(session().startWindow(panel, QColor(otherColor), 1.0, QStringLiteral("panel"),
                                           {.type = QStringLiteral("DOCK")}));

    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return covered(QRect(100, 100, 200, 200)); }));
    const auto panelShows = [&] {
        return pixels::isUniform(session().grabScreen(), panel, QColor(otherColor), 12);
    };
    QVERIFY(X11Session::waitFor(panelShows));
    const QList<OverlayWindow*> before = m_spotlight->windows();
    m_spotlight->setCoversMenuBar(true);
    QVERIFY(X11Session::waitFor([&] { return covered(panel); }));
    m_spotlight->setCoversMenuBar(false);
    QVERIFY(X11Session::waitFor(panelShows));
    QCOMPARE(m_spotlight->windows(), before); // re-levelled, not rebuilt
}

void TestSpotlight::compositorStoppingAndStarting()
{
    const QRect pinned(200, 150, 400, 300);
    startPinned(pinned);
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(pinned, pinnedColor); }));

    // Shaped without a compositor, blending with one: the window shows either way, never black.
    for (const bool on : {!compositing(), compositing()}) {
        QVERIFY(setCompositor(on));
        QTRY_COMPARE(m_services.overlays->blends(), on);
        QVERIFY(X11Session::waitFor([&] { return holeShows(pinned, pinnedColor); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(1200, 100, 300, 300)); }));
    }
}

void TestSpotlight::backdropCrossfade()
{
    constexpr QRgb nextColor = 0xffd0a030;
    QVERIFY(pixels::saveSolid(
        session().scratchPath() + QStringLiteral("/pictures/bg-snow-peak.jpeg"), nextColor));
    startPinned(QRect(200, 150, 400, 300));
    m_spotlight->toggleWithoutAnimation();
    const QRect probe(1200, 100, 300, 300);
    QVERIFY(X11Session::waitFor([&] { return covered(probe); }));
    QList<QPointer<OverlayWindow>> old;
    for (OverlayWindow* window : m_spotlight->windows())
        old.append(window);

    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-snow-peak.jpeg"));
    m_spotlight->rebuildWindows(true);
    if (compositing()) {
        // The new overlays fade in over the old ones: the new colour (or a blend on the way)
        // shows while the old ones are still there.
        QColor seen;
        QVERIFY2(pixels::fadesToward([] { return session().grabScreen(); }, probe.center(),
                                     QColor(backdropColor), QColor(nextColor), 12, &seen),
                 qPrintable(seen.name()));
        QVERIFY2(std::all_of(old.begin(), old.end(),
                             [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); }),
                 "the new backdrop showed only once the old one had gone");
    }
    // Then only the new ones are left.
    QTRY_VERIFY(std::none_of(old.begin(), old.end(),
                             [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); }));
    QVERIFY(X11Session::waitFor(
        [&] { return pixels::isUniform(session().grabScreen(), probe, QColor(nextColor), 12); }));
}

void TestSpotlight::followsMonitorsComingAndGoing()
{
    const QRect pinned(700, 200, 500, 300); // across the monitors' border
    startPinned(pinned);
    m_spotlight->toggleWithoutAnimation();
    QCOMPARE(m_spotlight->windows().size(), 2);
    for (const bool two : {false, true}) {
        QVERIFY2(session().setTwoMonitors(two), qPrintable(session().errorString()));
        QTRY_COMPARE(m_spotlight->windows().size(), two ? 2 : 1);
        QVERIFY(X11Session::waitFor([&] { return holeShows(pinned, pinnedColor); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(100, 600, 300, 300)); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(1300, 600, 300, 300)); }));
    }
}

void TestSpotlight::holesOnEveryMonitorLayout_data()
{
    QTest::addColumn<QList<QRect>>("monitors");
    QTest::addColumn<int>("primary");
    QTest::addColumn<QList<QRect>>("pinned"); // one on each monitor, one across both
    QTest::addColumn<QRect>("elsewhere");     // where only the backdrop shows

    const QList<QRect> sideBySide{QRect(0, 0, 960, 1080), QRect(960, 0, 960, 1080)};
    const QList<QRect> across{QRect(200, 150, 400, 300), QRect(1200, 300, 400, 300),
                              QRect(760, 650, 400, 300)};
    QTest::newRow("primary on the left") << sideBySide << 0 << across << QRect(1300, 700, 200, 200);
    QTest::newRow("monitor left of the primary")
        << sideBySide << 1 << across << QRect(1300, 700, 200, 200);
    QTest::newRow("monitor above the primary")
        << QList<QRect>{QRect(0, 0, 1920, 540), QRect(0, 540, 1920, 540)} << 1
        << QList<QRect>{QRect(200, 100, 400, 300), QRect(1300, 650, 400, 300),
                        QRect(700, 390, 400, 300)}
        << QRect(1300, 100, 200, 200);
}

void TestSpotlight::holesOnEveryMonitorLayout()
{
    QFETCH(QList<QRect>, monitors);
    QFETCH(int, primary);
    QFETCH(QList<QRect>, pinned);
    QFETCH(QRect, elsewhere);
    QVERIFY2(session().setMonitors(monitors, primary), qPrintable(session().errorString()));
    for (const QRect& rect : pinned)
        startPinned(rect);
    m_spotlight->toggleWithoutAnimation();
    QCOMPARE(m_spotlight->windows().size(), 2);
    for (const QRect& rect : pinned)
        QVERIFY2(X11Session::waitFor([&] { return holeShows(rect, pinnedColor); }),
                 qPrintable(QStringLiteral("no exact hole at %1,%2").arg(rect.x()).arg(rect.y())));
    QVERIFY(X11Session::waitFor([&] { return covered(elsewhere); }));
}

void TestSpotlight::reminderAtMostThreeTimes()
{
    m_spotlight->setRemindsAboutNotifications(true);
    m_spotlight->toggleWithoutAnimation(); // the hot key never reminds
    QVERIFY(!m_spotlight->reminder().currentPanel());
    m_spotlight->toggleWithoutAnimation();
    for (int showing = 1; showing <= 4; ++showing) {
        m_spotlight->setOn(true);
        QPointer<OverlayWindow> panel = m_spotlight->reminder().currentPanel();
        QCOMPARE(bool(panel), showing <= 3);
        if (panel)
            QTRY_VERIFY(panel->isVisible());
        m_spotlight->setOn(false);
        QVERIFY(!m_spotlight->reminder().currentPanel());
        QTRY_VERIFY(!panel || !panel->isVisible());
    }
    QCOMPARE(m_settings->integer(FocusReminder::countKey()), 3);
}

TAVLIN_X11_TEST_MAIN(TestSpotlight, {.twoMonitors = true, .compositor = true})

#include "tst_spotlight.moc"
