// The overlays on a real X server: two monitors, openbox, picom and pcmanfm's icons, with test
// windows of known processes. Spotlight mode first, then the desktop cover.
#include "backdrop/Backdrop.h"
#include "backdrop/DesktopCover.h"
#include "backdrop/OverlayHandover.h"
#include "backdrop/OverlayWindow.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"
#include "tests/session/PixelChecks.h"
#include "tests/x11/OverlayChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <algorithm>

using namespace tavlin;

namespace {

constexpr QRgb backdropColor = 0xff2050c0; // a solid picture standing in for a built-in one
constexpr QRgb peakColor = 0xffd0a030;     // and one for the next picture chosen
constexpr QRgb leftWallpaper = 0xffe08020;
constexpr QRgb rightWallpaper = 0xff7030a0;
constexpr QRgb pinnedColor = 0xffe03030;
constexpr QRgb otherColor = 0xff30c040;
const QString pinnedClass = QStringLiteral("PinnedApp");

bool holeShows(const QRect& rect)
{
    return holeShowsWindow(rect, pinnedColor, backdropColor);
}

bool covered(const QRect& rect)
{
    return pixels::isUniform(session().grabScreen(), rect, QColor(backdropColor), 12);
}

} // namespace

class TestSpotlight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void holesOnEveryMonitorLayout_data();
    void holesOnEveryMonitorLayout();
    void fallsBackToTheFrontmostApplication();
    void holesFollowAMovedWindow();
    void holesStayWhileTheWindowListIsGone();
    void noHoleFor_data();
    void noHoleFor();
    void newWindowsStayCoveredAndTakeClicks();
    void coversPanelsOnlyWhenAsked();
    void compositorStoppingAndStarting();
    void newBackdropReplacesTheOverlays();
    void followsMonitorsComingAndGoing();
    void coversEveryMonitorEdgeToEdge_data();
    void coversEveryMonitorEdgeToEdge();
    void windowsStayAboveTheCover();
    void raisedIconWindowGoesBackUnder();
    void coverCrossfadesToANewBackdrop();
    void crossfadeAfterAStallLeavesNoGap();
    void desktopSwitchAndMonitorRemovalRebuild();

private:
    void startCover();
    void crossfadesToThePeak(const QList<OverlayWindow*>& windows,
                             const std::function<void()>& rebuild, int tolerance);
    qint64 startWindow(const QRect& rect, QRgb color = pinnedColor, const QString& type = {},
                       double opacity = 1.0);
    QString windowOf(qint64 pid) { return QString::number(session().windowOf(pid)); }

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    std::unique_ptr<Spotlight> m_spotlight;
    std::unique_ptr<DesktopCover> m_cover;
    QList<qint64> m_clients;
    QString m_pictures;
};

void TestSpotlight::initTestCase()
{
    m_pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(m_pictures));
    QVERIFY(pixels::saveSolid(m_pictures + QStringLiteral("/bg-country-road.jpeg"), backdropColor));
    QImage left(960, 1080, QImage::Format_RGB32);
    left.fill(leftWallpaper);
    QImage right(960, 1080, QImage::Format_RGB32);
    right.fill(rightWallpaper);
    QVERIFY(session().setRootBackground({left, right}));
    m_services = PlatformFactory::makeWindowServices();
    m_images =
        std::make_unique<BackdropImages>(QStringList{m_pictures}, m_services.desktopPictures.get());
}

void TestSpotlight::init()
{
    QVERIFY(session().startCompositor());
    QTRY_VERIFY(m_services.overlays->blends());
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
    QFile::remove(m_pictures + QStringLiteral("/bg-snow-peak.jpeg"));
    if (m_cover) {
        m_cover.reset();
        QVERIFY(X11Session::waitFor([] { return !iconsCovered(); }));
    }
    for (const qint64 pid : std::as_const(m_clients))
        session().stopClient(pid);
    m_clients.clear();
    if (session().monitorRects() != session().twoMonitorRects())
        QVERIFY(session().setTwoMonitors(true));
    QVERIFY2(session().windowManagerRunning(), "openbox died");
}

void TestSpotlight::startCover()
{
    m_cover = std::make_unique<DesktopCover>(*m_settings, *m_images, *m_services.overlays,
                                             *m_services.workspace);
    // The icons show before the cover goes on.
    QVERIFY(X11Session::waitFor([] { return !iconsCovered(); }));
}

// The snow-peak picture chosen while `windows` show the other one: the new overlays fade in over
// the old ones, the new colour (or a blend on the way) showing while the old ones are still
// there, and then only the new ones.
void TestSpotlight::crossfadesToThePeak(const QList<OverlayWindow*>& windows,
                                        const std::function<void()>& rebuild, int tolerance)
{
    QVERIFY(pixels::saveSolid(m_pictures + QStringLiteral("/bg-snow-peak.jpeg"), peakColor));
    QVERIFY(X11Session::waitFor([] { return monitorsShow({backdropColor, backdropColor}); }));
    const QList<QPointer<OverlayWindow>> old(windows.begin(), windows.end());
    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-snow-peak.jpeg"));
    rebuild();
    QColor seen;
    QVERIFY2(pixels::fadesToward([] { return session().grabScreen(); }, QPoint(1350, 250),
                                 QColor(backdropColor), QColor(peakColor), tolerance, &seen),
             qPrintable(seen.name()));
    QVERIFY2(allVisible(old), "the new backdrop showed only once the old one had gone");
    QTRY_VERIFY(!anyVisible(old));
    QVERIFY(X11Session::waitFor([] { return monitorsShow({peakColor, peakColor}); }));
}

// Pinned unless another colour is given.
qint64 TestSpotlight::startWindow(const QRect& rect, QRgb color, const QString& type,
                                  double opacity)
{
    const qint64 pid = session().startWindow(
        rect, QColor(color), opacity, {},
        {.windowClass = color == pinnedColor ? pinnedClass : QString(), .type = type});
    m_clients.append(pid);
    return pid;
}

void TestSpotlight::holesOnEveryMonitorLayout_data()
{
    QTest::addColumn<QList<QRect>>("monitors");
    QTest::addColumn<int>("primary");
    QTest::addColumn<QList<QRect>>("pinned"); // one on each monitor, one across both
    QTest::addColumn<QRect>("other");         // an unpinned window, where only the backdrop shows

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
    QFETCH(QRect, other);
    QVERIFY2(session().setMonitors(monitors, primary), qPrintable(session().errorString()));
    for (const QRect& rect : pinned)
        QVERIFY(startWindow(rect));
    QVERIFY(startWindow(other, otherColor)); // in front of them all
    m_spotlight->setOn(true);
    QCOMPARE(m_spotlight->windows().size(), 2);
    for (const QRect& rect : pinned)
        QVERIFY2(X11Session::waitFor([&] { return holeShows(rect); }),
                 qPrintable(QStringLiteral("no exact hole at %1,%2").arg(rect.x()).arg(rect.y())));
    QVERIFY(X11Session::waitFor([&] { return covered(other); }));

    m_spotlight->setOn(false);
    QVERIFY(X11Session::waitFor(
        [&] { return pixels::isUniform(session().grabScreen(), other, QColor(otherColor)); }));
    QVERIFY(m_spotlight->windows().isEmpty());
}

void TestSpotlight::fallsBackToTheFrontmostApplication()
{
    m_settings->setValue(QStringLiteral("spotlightApps"),
                         QJsonArray{QStringLiteral("not.running")});
    m_spotlight = std::make_unique<Spotlight>(*m_settings, *m_images, m_services);
    const QRect front(1100, 200, 400, 300);
    const QRect back(200, 200, 400, 300);
    QVERIFY(startWindow(back, otherColor));
    const qint64 frontPid = startWindow(front);
    QVERIFY(session().xdotool(QStringLiteral("windowactivate --sync ") + windowOf(frontPid)));
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(frontPid)));

    m_spotlight->toggleWithoutAnimation();
    QCOMPARE(m_spotlight->fallbackPid(), std::optional<qint32>(qint32(frontPid)));
    QVERIFY(X11Session::waitFor([&] { return holeShows(front); }));
    QVERIFY(X11Session::waitFor([&] { return covered(back); }));
}

void TestSpotlight::holesFollowAMovedWindow()
{
    const qint64 pid = startWindow(QRect(100, 100, 300, 200));
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(QRect(100, 100, 300, 200)); }));
    QVERIFY(session().xdotool(QStringLiteral("windowmove %1 500 400").arg(windowOf(pid))));
    QVERIFY(X11Session::waitFor([&] { return holeShows(QRect(500, 400, 300, 200)); }));
    QVERIFY(X11Session::waitFor([&] { return covered(QRect(110, 110, 280, 180)); }));
    // Once it is still, nothing is looked at: looking 60 times a second would wake the program
    // 60 times; the few left are the last paints and events settling.
    const long wakeUps = wakeUpsWhileIdle(1000);
    QVERIFY2(wakeUps >= 0 && wakeUps < 30, qPrintable(QString::number(wakeUps)));
}

void TestSpotlight::holesStayWhileTheWindowListIsGone()
{
    const QRect rect(200, 150, 400, 300);
    const QString window = windowOf(startWindow(rect));
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(rect); }));
    // Some window managers take their list of windows with them while they restart: nothing is
    // known then, and what was cut stays cut.
    QVERIFY(session().run(QStringLiteral("xprop"),
                          QStringLiteral("-root -remove _NET_CLIENT_LIST_STACKING").split(u' ')));
    QGuiApplication::sync();
    QVERIFY(!X11Session::waitFor([&] { return !holeShows(rect); }, 500));
    // The window manager lists its windows again at its next restack.
    QVERIFY(session().xdotool(QStringLiteral("windowraise ") + window));
    QVERIFY(X11Session::waitFor([&] { return !session().probe().clients().isEmpty(); }));
    QVERIFY(X11Session::waitFor([&] { return holeShows(rect); }));
}

void TestSpotlight::noHoleFor_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("action"); // an xdotool command applied to the window first
    QTest::addColumn<double>("opacity");

    QTest::newRow("minimised") << QSize(300, 200) << QStringLiteral("windowminimize %1") << 1.0;
    QTest::newRow("on another desktop")
        << QSize(300, 200) << QStringLiteral("set_desktop_for_window %1 2") << 1.0;
    QTest::newRow("40 wide") << QSize(40, 200) << QString() << 1.0;
    QTest::newRow("40 high") << QSize(300, 40) << QString() << 1.0;
    QTest::newRow("fully transparent") << QSize(300, 200) << QString() << 0.0;
}

void TestSpotlight::noHoleFor()
{
    QFETCH(QSize, size);
    QFETCH(QString, action);
    QFETCH(double, opacity);
    const QRect rect(QPoint(300, 300), size);
    const qint64 pid = startWindow(rect, pinnedColor, {}, opacity);
    // A big pinned window elsewhere shows the mode is cutting holes at all.
    startWindow(QRect(1100, 100, 300, 300));
    if (!action.isEmpty())
        QVERIFY(session().xdotool(action.arg(windowOf(pid))));
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(QRect(1100, 100, 300, 300)); }));
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
}

void TestSpotlight::newWindowsStayCoveredAndTakeClicks()
{
    m_spotlight->toggleWithoutAnimation();
    const QRect rect(300, 300, 300, 200);
    const qint64 pid = startWindow(rect, otherColor);
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
    startWindow(QRect(1100, 100, 300, 300)); // in front now
    // The window manager activates a window on a press inside it, so the press got through, and
    // raises it: still covered.
    QVERIFY(session().xdotool(QStringLiteral("mousemove 450 400 click 1")));
    const quint32 window = session().windowOf(pid);
    QVERIFY(X11Session::waitFor([&] {
        return session().probe().values(session().probe().root(), "_NET_ACTIVE_WINDOW") ==
               QList<quint32>{window};
    }));
    QVERIFY(X11Session::waitFor([&] { return covered(rect); }));
}

void TestSpotlight::coversPanelsOnlyWhenAsked()
{
    const QRect panel(0, 0, 960, 32);
    QVERIFY(startWindow(panel, otherColor, QStringLiteral("DOCK")));
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
    startWindow(pinned);
    m_spotlight->toggleWithoutAnimation();
    QVERIFY(X11Session::waitFor([&] { return holeShows(pinned); }));
    // Shaped without a compositor, blending with one: the window shows either way, never black.
    for (const bool on : {false, true}) {
        QVERIFY(on ? session().startCompositor() : session().stopCompositor());
        QTRY_COMPARE(m_services.overlays->blends(), on);
        QVERIFY(X11Session::waitFor([&] { return holeShows(pinned); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(1200, 100, 300, 300)); }));
    }
}

void TestSpotlight::newBackdropReplacesTheOverlays()
{
    m_spotlight->toggleWithoutAnimation();
    crossfadesToThePeak(
        m_spotlight->windows(), [this] { m_spotlight->rebuildWindows(true); }, 12);
}

void TestSpotlight::followsMonitorsComingAndGoing()
{
    const QRect pinned(700, 200, 500, 300); // across the monitors' border
    startWindow(pinned);
    m_spotlight->toggleWithoutAnimation();
    QCOMPARE(m_spotlight->windows().size(), 2);
    for (const bool two : {false, true}) {
        QVERIFY2(session().setTwoMonitors(two), qPrintable(session().errorString()));
        QTRY_COMPARE(m_spotlight->windows().size(), two ? 2 : 1);
        QVERIFY(X11Session::waitFor([&] { return holeShows(pinned); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(100, 600, 300, 300)); }));
        QVERIFY(X11Session::waitFor([&] { return covered(QRect(1300, 600, 300, 300)); }));
    }
}

void TestSpotlight::coversEveryMonitorEdgeToEdge_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<QRgb>>("expected"); // empty: the gradient
    QTest::newRow("picture") << QStringLiteral("bg-country-road.jpeg")
                             << QList<QRgb>{backdropColor, backdropColor};
    QTest::newRow("wallpaper of each monitor")
        << QStringLiteral("wallpaper") << QList<QRgb>{leftWallpaper, rightWallpaper};
    QTest::newRow("missing picture shows the gradient")
        << QStringLiteral("bg-snow-peak.jpeg") << QList<QRgb>{};
}

void TestSpotlight::coversEveryMonitorEdgeToEdge()
{
    QFETCH(QString, stored);
    QFETCH(QList<QRgb>, expected);
    m_settings->setValue(Backdrop::settingsKey(), stored);
    startCover();
    m_cover->setOn(true);
    QCOMPARE(m_cover->windows().size(), 2);
    for (OverlayWindow* window : m_cover->windows())
        QCOMPARE(window->geometry(),
                 QGuiApplication::screenAt(window->geometry().center())->geometry());
    QVERIFY2(X11Session::waitFor([&] { return monitorsShow(expected); }),
             pixels::describe(session().grabScreen(), session().monitorRects().first(),
                              QColor(expected.value(0)))
                 .constData());
}

void TestSpotlight::windowsStayAboveTheCover()
{
    const QRect where(300, 300, 200, 150);
    QVERIFY(startWindow(where, otherColor));
    startCover();
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([&] {
        const QImage screen = session().grabScreen();
        return pixels::isUniform(screen, where.adjusted(10, 10, -10, -10), QColor(otherColor), 6) &&
               pixels::isUniform(screen, QRect(700, 500, 100, 100), QColor(backdropColor), 6);
    }));
}

void TestSpotlight::raisedIconWindowGoesBackUnder()
{
    startCover();
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({backdropColor, backdropColor}); }));
    const auto coverOnTop = [this] {
        const QList<quint32> clients = session().probe().clients();
        const qsizetype icons = clients.indexOf(session().desktopIconWindow());
        const QList<OverlayWindow*> windows = m_cover->windows();
        return icons >= 0 && std::all_of(windows.begin(), windows.end(), [&](OverlayWindow* w) {
                   return clients.indexOf(quint32(w->surface().nativeId())) > icons;
               });
    };
    QVERIFY(X11Session::waitFor(coverOnTop));
    for (int round = 0; round < 3; ++round) {
        QVERIFY(
            session().xdotool(QStringLiteral("windowraise %1").arg(session().desktopIconWindow())));
        QVERIFY(X11Session::waitFor([&] {
            return coverOnTop() && monitorsShow({backdropColor, backdropColor});
        }));
    }
}

void TestSpotlight::coverCrossfadesToANewBackdrop()
{
    startCover();
    m_cover->setOn(true);
    crossfadesToThePeak(
        m_cover->windows(), [this] { m_cover->crossfadeBackdrop(); }, 6);
    QCOMPARE(m_cover->windows().size(), 2);
}

void TestSpotlight::desktopSwitchAndMonitorRemovalRebuild()
{
    startCover();
    m_cover->toggleWithoutAnimation();
    const QList<OverlayWindow*> first = m_cover->windows();
    QCOMPARE(first.size(), 2);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({backdropColor, backdropColor}); }));
    QVERIFY(session().switchDesktop(1));
    // Every screenshot while one generation gives way to the next shows the cover, never the
    // desktop between them.
    QElapsedTimer since;
    since.start();
    int frames = 0;
    for (; since.elapsed() < OverlayHandover::presentTimeoutMs; ++frames) {
        QVERIFY2(monitorsShow({backdropColor, backdropColor}),
                 "the desktop showed during the rebuild");
        QCoreApplication::processEvents();
    }
    QVERIFY(frames >= 2);
    QVERIFY(m_cover->windows() != first);
    QCOMPARE(m_cover->windows().size(), 2);

    // The right-hand monitor unplugged: the desktop icons stay as they were, under the cover.
    QVERIFY(session().unplugMonitor(1));
    QTRY_COMPARE(m_cover->windows().size(), 1);
    const QRect remaining = QGuiApplication::screens().first()->geometry();
    QCOMPARE(m_cover->windows().first()->geometry(), remaining);
    QVERIFY(X11Session::waitFor([&] {
        return pixels::isUniform(session().grabScreen(), remaining, QColor(backdropColor), 6);
    }));
}

void TestSpotlight::crossfadeAfterAStallLeavesNoGap()
{
    startCover();
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({backdropColor, backdropColor}); }));
    QList<QPointer<OverlayWindow>> old;
    for (OverlayWindow* window : m_cover->windows())
        old.append(window);
    m_cover->crossfadeBackdrop();
    const QList<OverlayWindow*> successors = m_cover->windows();
    // The GUI thread blocked past every fallback timer: they all fire in one turn afterwards.
    QThread::msleep(OverlayHandover::presentTimeoutMs + 100);
    QDeadlineTimer deadline(5000);
    while (allVisible(old)) {
        QVERIFY(!deadline.hasExpired());
        QCoreApplication::processEvents();
    }
    for (OverlayWindow* window : successors)
        QCOMPARE(window->opacity(), 1.0);
}

TAVLIN_X11_TEST_MAIN(TestSpotlight, {.twoMonitors = true, .compositor = true, .desktopIcons = true})

#include "tst_spotlight.moc"
