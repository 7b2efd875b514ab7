// The desktop cover on a real X server: two monitors, openbox, picom and pcmanfm's icons.
#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImage.h"
#include "backdrop/DesktopCover.h"
#include "backdrop/OverlayHandover.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <algorithm>

using namespace tavlin;

namespace {

constexpr QRgb roadColor = 0xffc03020; // stands in for the country-road picture
constexpr QRgb peakColor = 0xff20a040; // and for the snow-peak one
constexpr QRgb leftWallpaper = 0xffe08020;
constexpr QRgb rightWallpaper = 0xff7030a0;

// Whether every monitor shows its colour edge to edge; no colours: the soft gradient, drawn to each
// monitor's own size, at three points.
bool monitorsShow(const QList<QRgb>& expected)
{
    const QImage screen = session().grabScreen();
    const QList<QRect> monitors = session().monitorRects();
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        if (!expected.isEmpty()) {
            if (!pixels::isUniform(screen, monitors[i], QColor(expected.value(i)), 6))
                return false;
            continue;
        }
        QImage gradient(monitors[i].size(), QImage::Format_RGB32);
        QPainter painter(&gradient);
        BackdropImage().drawAspectFill(painter, QRectF(gradient.rect()));
        for (const QPoint& p : {QPoint(10, 10), gradient.rect().center(),
                                gradient.rect().bottomRight() - QPoint(10, 10)}) {
            const QColor seen = pixels::colorAt(screen, monitors[i].topLeft() + p);
            if (pixels::distance(seen, gradient.pixelColor(p)) > 6)
                return false;
        }
    }
    return true;
}

// pcmanfm draws its first icon at the top left of the first monitor.
bool iconsCovered()
{
    const QImage screen = session().grabScreen();
    return pixels::countDiffering(screen, QRect(0, 0, 120, 120),
                                  pixels::colorAt(screen, QPoint(130, 130)), 12) == 0;
}

bool visible(const QList<QPointer<OverlayWindow>>& windows)
{
    return std::any_of(windows.begin(), windows.end(),
                       [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); });
}

} // namespace

class TestDesktopCover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void coversEveryMonitorEdgeToEdge_data();
    void coversEveryMonitorEdgeToEdge();
    void windowsStayAboveTheCover();
    void raisedIconWindowGoesBackUnder();
    void backdropCrossfade();
    void crossfadeAfterAStallLeavesNoGap();
    // Last: it leaves one monitor behind.
    void desktopSwitchAndMonitorRemovalRebuild();

private:
    void setBackdrop(const QString& stored)
    {
        m_settings->setValue(Backdrop::settingsKey(), stored);
    }

    std::unique_ptr<JsonSettingsStore> m_settings;
    WindowServices m_services;
    std::unique_ptr<BackdropImages> m_images;
    std::unique_ptr<DesktopCover> m_cover;
    QString m_pictures;
};

void TestDesktopCover::initTestCase()
{
    m_pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(m_pictures));
    QVERIFY(pixels::saveSolid(m_pictures + QStringLiteral("/bg-country-road.jpeg"), roadColor));
    QImage left(960, 1080, QImage::Format_RGB32);
    left.fill(leftWallpaper);
    QImage right(960, 1080, QImage::Format_RGB32);
    right.fill(rightWallpaper);
    QVERIFY(session().setRootBackground({left, right}));
    m_services = PlatformFactory::makeWindowServices();
    m_settings = std::make_unique<JsonSettingsStore>(session().scratchPath() +
                                                     QStringLiteral("/settings.json"));
    m_images =
        std::make_unique<BackdropImages>(QStringList{m_pictures}, m_services.desktopPictures.get());
}

void TestDesktopCover::init()
{
    QTRY_VERIFY(m_services.overlays->blends());
    m_cover = std::make_unique<DesktopCover>(*m_settings, *m_images, *m_services.overlays,
                                             *m_services.workspace);
    setBackdrop(QStringLiteral("bg-country-road.jpeg"));
    // The icons show before the cover goes on.
    QVERIFY(X11Session::waitFor([] { return !iconsCovered(); }));
}

void TestDesktopCover::cleanup()
{
    // Whatever the cover did, the window manager is still there.
    QVERIFY2(session().windowManagerRunning(), "openbox died");
    m_cover.reset();
    QVERIFY(X11Session::waitFor([] { return !iconsCovered(); }));
}

void TestDesktopCover::coversEveryMonitorEdgeToEdge_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<QRgb>>("expected"); // empty: the gradient
    QTest::newRow("picture") << QStringLiteral("bg-country-road.jpeg")
                             << QList<QRgb>{roadColor, roadColor};
    QTest::newRow("wallpaper of each monitor")
        << QStringLiteral("wallpaper") << QList<QRgb>{leftWallpaper, rightWallpaper};
    QTest::newRow("missing picture shows the gradient")
        << QStringLiteral("bg-snow-peak.jpeg") << QList<QRgb>{};
    QTest::newRow("gradient") << QStringLiteral("gradient") << QList<QRgb>{};
}

void TestDesktopCover::coversEveryMonitorEdgeToEdge()
{
    QFETCH(QString, stored);
    QFETCH(QList<QRgb>, expected);
    setBackdrop(stored);
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

void TestDesktopCover::windowsStayAboveTheCover()
{
    const QRect where(300, 300, 200, 150);
    const qint64 client = session().startWindow(where, Qt::blue);
    QVERIFY(client > 0);
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([&] {
        const QImage screen = session().grabScreen();
        return pixels::isUniform(screen, where.adjusted(10, 10, -10, -10), Qt::blue, 6) &&
               pixels::isUniform(screen, QRect(700, 500, 100, 100), QColor(roadColor), 6);
    }));
    session().stopClient(client);
}

void TestDesktopCover::raisedIconWindowGoesBackUnder()
{
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({roadColor, roadColor}); }));
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
        QVERIFY(session().raiseDesktopIconWindow());
        QVERIFY(X11Session::waitFor([&] {
            return coverOnTop() && monitorsShow({roadColor, roadColor});
        }));
    }
}

void TestDesktopCover::backdropCrossfade()
{
    QVERIFY(pixels::saveSolid(m_pictures + QStringLiteral("/bg-snow-peak.jpeg"), peakColor));
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({roadColor, roadColor}); }));
    const QList<OverlayWindow*> windows = m_cover->windows();
    const QList<QPointer<OverlayWindow>> old(windows.begin(), windows.end());
    setBackdrop(QStringLiteral("bg-snow-peak.jpeg"));
    m_cover->crossfadeBackdrop();
    QCOMPARE(m_cover->windows().size(), 2);
    // The new one fades in over the old one: the new colour (or a blend on the way) shows while the
    // old one is still there…
    QColor seen;
    QVERIFY2(pixels::fadesToward([] { return session().grabScreen(); }, QPoint(500, 500),
                                 QColor(roadColor), QColor(peakColor), 6, &seen),
             qPrintable(seen.name()));
    QVERIFY2(std::all_of(old.begin(), old.end(), [](auto w) { return w && w->isVisible(); }),
             "the new backdrop showed only once the old one had gone");
    // …and then only the new one.
    QTRY_VERIFY(!visible(old));
    QVERIFY(X11Session::waitFor([] { return monitorsShow({peakColor, peakColor}); }));
    QFile::remove(m_pictures + QStringLiteral("/bg-snow-peak.jpeg"));
}

void TestDesktopCover::desktopSwitchAndMonitorRemovalRebuild()
{
    m_cover->toggleWithoutAnimation();
    const QList<OverlayWindow*> first = m_cover->windows();
    QCOMPARE(first.size(), 2);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({roadColor, roadColor}); }));
    QVERIFY(session().switchDesktop(1));
    // Every screenshot while one generation gives way to the next shows the cover, never the
    // desktop between them.
    QElapsedTimer since;
    since.start();
    int frames = 0;
    for (; since.elapsed() < OverlayHandover::presentTimeoutMs; ++frames) {
        QVERIFY2(monitorsShow({roadColor, roadColor}), "the desktop showed during the rebuild");
        QCoreApplication::processEvents();
    }
    QVERIFY(frames >= 2);
    QVERIFY(m_cover->windows() != first);
    QCOMPARE(m_cover->windows().size(), 2);

    // Monitor B unplugged. (The harness would restart the desktop icons too, and wait for them to
    // show, which the cover prevents.)
    QVERIFY(session().run(QStringLiteral("xrandr"),
                          {QStringLiteral("--delmonitor"), QStringLiteral("B")}));
    QTRY_COMPARE(m_cover->windows().size(), 1);
    const QRect remaining = QGuiApplication::screens().first()->geometry();
    QCOMPARE(m_cover->windows().first()->geometry(), remaining);
    QVERIFY(X11Session::waitFor([&] {
        return pixels::isUniform(session().grabScreen(), remaining, QColor(roadColor), 6);
    }));
}

void TestDesktopCover::crossfadeAfterAStallLeavesNoGap()
{
    m_cover->setOn(true);
    QVERIFY(X11Session::waitFor([] { return monitorsShow({roadColor, roadColor}); }));
    QList<QPointer<OverlayWindow>> old;
    for (OverlayWindow* window : m_cover->windows())
        old.append(window);
    m_cover->crossfadeBackdrop();
    const QList<OverlayWindow*> successors = m_cover->windows();
    // The GUI thread blocked past every fallback timer: they all fire in one turn afterwards.
    QThread::msleep(OverlayHandover::presentTimeoutMs + 100);
    QDeadlineTimer deadline(5000);
    while (std::all_of(old.begin(), old.end(),
                       [](const QPointer<OverlayWindow>& w) { return w && w->isVisible(); })) {
        QVERIFY(!deadline.hasExpired());
        QCoreApplication::processEvents();
    }
    for (OverlayWindow* window : successors)
        QCOMPARE(window->opacity(), 1.0);
}

TAVLIN_X11_TEST_MAIN(TestDesktopCover,
                     {.twoMonitors = true, .compositor = true, .desktopIcons = true})

#include "tst_desktopcover.moc"
