// Overlays as layer surfaces on a real compositor: headless sway with two outputs, test windows
// of known processes, screenshots and clicks.
#include "backdrop/Backdrop.h"
#include "backdrop/DesktopCover.h"
#include "backdrop/OverlayFade.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/CutoutView.h"
#include "spotlight/FocusReminder.h"
#include "spotlight/ReminderPanel.h"
#include "spotlight/Spotlight.h"
#include "tests/session/PixelChecks.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

namespace {

constexpr QRgb roadColor = 0xffc03020; // a solid picture standing in for a built-in one
constexpr QRgb peakColor = 0xff20a040; // and another
constexpr QRgb windowColor = 0xff3050e0;
constexpr QRgb otherColor = 0xffe0c020;
constexpr QRgb pressedColor = 0xff00ffff;
const QString road = QStringLiteral("bg-country-road.jpeg");
const QString peak = QStringLiteral("bg-snow-peak.jpeg");
const QString stripes = QStringLiteral("bg-riso-star-field.webp");
const QString pinnedApp = QStringLiteral("tavlin-pinned");

bool shows(const QImage& screen, const QRect& area, QRgb color)
{
    return pixels::isUniform(screen, area, QColor(color), 6);
}

// Whether a ring two pixels wide, one pixel away from `area`, shows `color` all round.
bool ringShows(const QImage& screen, const QRect& area, QRgb color)
{
    const QRect o = area.adjusted(-3, -3, 3, 3);
    for (const QRect& side :
         {QRect(o.left(), o.top(), o.width(), 2), QRect(o.left(), o.bottom() - 1, o.width(), 2),
          QRect(o.left(), o.top(), 2, o.height()), QRect(o.right() - 1, o.top(), 2, o.height())}) {
        if (!shows(screen, side, color))
            return false;
    }
    return true;
}

// Whether every output shows `color` edge to edge. (The outermost pixels of a scaled output
// blend with the void beside it once the screenshot is scaled to logical pixels.)
bool everywhere(QRgb color)
{
    const QImage screen = session().grabScreen();
    const QList<QRect> outputs = session().outputRects();
    return std::all_of(outputs.begin(), outputs.end(), [&](const QRect& output) {
        return shows(screen, output.adjusted(1, 1, -1, -1), color);
    });
}

// What the screen must show around a hole over a window: the backdrop, and the window through
// a hole with rounded, antialiased corners.
QImage expectedHole(const QRect& hole, int margin, QRgb backdrop, QRgb window)
{
    QImage image(hole.size() + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
    image.fill(backdrop);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(window));
    const double r = CutoutView::holeCornerRadius;
    painter.drawRoundedRect(QRectF(QPointF(margin, margin), QSizeF(hole.size())), r, r);
    return image;
}

// How many pixels around `hole` differ from the expected picture by more than a rounding step.
int holeErrors(const QImage& screen, const QRect& hole, QRgb backdrop, QRgb window)
{
    constexpr int margin = 3;
    const QImage expected = expectedHole(hole, margin, backdrop, window);
    int errors = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QPoint at = hole.topLeft() + QPoint(x - margin, y - margin);
            if (pixels::distance(pixels::colorAt(screen, at), expected.pixelColor(x, y)) > 8)
                ++errors;
        }
    }
    return errors;
}

} // namespace

class TestWaylandOverlays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void coverHidesTheWallpaperBelowWindows();
    void crossfadeLeavesNoFrameUncovered();
    void spotlightFollowsThePinnedWindowAndPassesClicks();
    void reminderShowsTopCentreAboveTheOverlays_data();
    void reminderShowsTopCentreAboveTheOverlays();
    // Last: they change the outputs for good.
    void coverIsSharpOnAScaledOutput();
    void spotlightFollowsAWindowOnTheScaledOutput();
    void newOutputIsCovered();

private:
    void setBackdrop(const QString& stored)
    {
        m_settings->setValue(Backdrop::settingsKey(), stored);
    }
    // One spotlight overlay per screen, at `level`, without holes.
    void showSpotlight(OverlayLevel level);
    qint64 startWindow(const QRect& rect, QRgb color, QRgb pressed = 0,
                       const QString& appId = QStringLiteral("tavlin-test"));

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    std::unique_ptr<DesktopCover> m_cover;
    QList<OverlayWindow*> m_spotlight;
    QList<qint64> m_clients;
};

void TestWaylandOverlays::initTestCase()
{
    const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(pictures));
    QVERIFY(pixels::saveSolid(pictures + QLatin1Char('/') + road, roadColor));
    QVERIFY(pixels::saveSolid(pictures + QLatin1Char('/') + peak, peakColor));
    // One-pixel columns the size of a scale-2 output: sharp only when painted in device pixels.
    QImage lines(1024, 768, QImage::Format_RGB32);
    for (int x = 0; x < lines.width(); ++x)
        for (int y = 0; y < lines.height(); ++y)
            lines.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    QVERIFY(lines.save(pictures + QLatin1Char('/') + stripes, "PNG"));

    m_services = PlatformFactory::makeWindowServices();
    QCOMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
    QVERIFY(m_services.overlays->blends());
    m_images =
        std::make_unique<BackdropImages>(QStringList{pictures}, m_services.desktopPictures.get());
}

void TestWaylandOverlays::init()
{
    const QString file = session().scratchPath() + QStringLiteral("/settings.json");
    QFile::remove(file);
    m_settings = std::make_unique<JsonSettingsStore>(file);
    setBackdrop(road);
    m_cover = std::make_unique<DesktopCover>(*m_settings, *m_images, *m_services.overlays,
                                             *m_services.workspace);
}

void TestWaylandOverlays::cleanup()
{
    m_cover.reset();
    qDeleteAll(m_spotlight);
    m_spotlight.clear();
    for (const qint64 pid : std::as_const(m_clients))
        session().stopClient(pid);
    m_clients.clear();
    // Everything gone: the wallpaper shows again.
    QVERIFY(WaylandSession::waitFor([] { return everywhere(WaylandSession::wallpaperColor); }));
}

qint64 TestWaylandOverlays::startWindow(const QRect& rect, QRgb color, QRgb pressed,
                                        const QString& appId)
{
    const qint64 pid =
        session().startWindow(rect, QColor(color), appId, pressed ? QColor(pressed) : QColor());
    if (pid)
        m_clients.append(pid);
    return pid;
}

void TestWaylandOverlays::showSpotlight(OverlayLevel level)
{
    for (QScreen* screen : TestSession::screensLeftToRight()) {
        auto view = std::make_unique<CutoutView>(
            m_images->screenImage(Backdrop::stored(*m_settings), screen));
        OverlayWindow* window =
            OverlayWindow::create(*m_services.overlays, screen, level, std::move(view));
        QVERIFY(window);
        window->fadeIn(false);
        m_spotlight.append(window);
    }
}

void TestWaylandOverlays::coverHidesTheWallpaperBelowWindows()
{
    const QRect where(200, 150, 300, 200);
    QVERIFY2(startWindow(where, windowColor), qPrintable(session().errorString()));
    m_cover->setOn(true);
    QCOMPARE(m_cover->windows().size(), 2);
    QSignalSpy presented(&m_cover->windows().first()->surface(), &OverlaySurface::presented);
    const QList<QRect> outputs = session().outputRects();
    QVERIFY(WaylandSession::waitFor([&] {
        const QImage screen = session().grabScreen();
        return shows(screen, where, windowColor) &&
               shows(screen, QRect(0, 0, 1024, where.top()), roadColor) &&
               shows(screen, outputs.last(), roadColor);
    }));
    QCOMPARE(presented.count(), 1);
    // The screen reads as covered a step before the fade ends; it must end fully opaque.
    for (OverlayWindow* window : m_cover->windows())
        QTRY_COMPARE(window->opacity(), 1.0);

    m_cover->setOn(false);
    QVERIFY(WaylandSession::waitFor([&] {
        const QImage screen = session().grabScreen();
        return shows(screen, where, windowColor) &&
               shows(screen, outputs.last(), WaylandSession::wallpaperColor);
    }));
}

void TestWaylandOverlays::crossfadeLeavesNoFrameUncovered()
{
    m_cover->toggleWithoutAnimation();
    QVERIFY(WaylandSession::waitFor([] { return everywhere(roadColor); }));
    setBackdrop(peak);
    m_cover->crossfadeBackdrop();
    // Every screenshot during the swap shows the old picture, the new one or a blend: never the
    // wallpaper beneath.
    QElapsedTimer since;
    since.start();
    int frames = 0;
    while (since.elapsed() < OverlayFade::fadeInMs + DesktopCover::crossfadeOrderOutMs + 100) {
        const QImage screen = session().grabScreen();
        for (const QPoint& point : {QPoint(10, 10), QPoint(1500, 700)}) {
            const QColor seen = pixels::colorAt(screen, point);
            QVERIFY2(pixels::distance(seen, QColor(WaylandSession::wallpaperColor)) > 30,
                     qPrintable(seen.name()));
        }
        ++frames;
        QCoreApplication::processEvents();
    }
    QVERIFY(frames >= 2);
    QVERIFY(WaylandSession::waitFor([] { return everywhere(peakColor); }));
}

// Spotlight mode as it runs on sway: the pinned application's window found through sway's IPC,
// shown exactly through its hole, followed when moved (sway says nothing of that), and no hole
// once it is on another workspace; every other window covered, and clicks pass through.
void TestWaylandOverlays::spotlightFollowsThePinnedWindowAndPassesClicks()
{
    const QRect pinned(1200, 200, 400, 300);
    const QRect other(200, 300, 300, 200);
    const qint64 pinnedPid = startWindow(pinned, windowColor, 0, pinnedApp);
    QVERIFY(pinnedPid);
    // Started last, so in front: the mode would show it if it ignored what is pinned.
    const qint64 otherPid = startWindow(other, otherColor, pressedColor);
    QVERIFY(otherPid);
    m_settings->setValue(QStringLiteral("spotlightApps"), QJsonArray{pinnedApp});
    Spotlight spotlight(*m_settings, *m_images, m_services);
    QVERIFY(spotlight.unavailableReason().isEmpty());
    spotlight.toggleWithoutAnimation();
    const auto exactHole = [](const QRect& hole) {
        return WaylandSession::waitFor(
            [&] { return holeErrors(session().grabScreen(), hole, roadColor, windowColor) == 0; });
    };
    QVERIFY2(exactHole(pinned), qPrintable(QString::number(holeErrors(
                                    session().grabScreen(), pinned, roadColor, windowColor))));
    QVERIFY(shows(session().grabScreen(), other, roadColor));

    // Moved twice, so both buffers are painted in part: no trace of the earlier holes stays.
    for (const QRect& to : {pinned.translated(-10, 10), pinned.translated(100, 150)}) {
        QVERIFY(session().moveWindow(pinnedPid, to.topLeft()));
        QVERIFY(exactHole(to));
    }
    QVERIFY(shows(session().grabScreen(), QRect(pinned.topLeft(), QSize(80, 80)), roadColor));

    // The covered window takes the click, and changes colour where nobody can see it.
    QVERIFY(session().click(other.center()));
    QVERIFY(
        WaylandSession::waitFor([&] { return session().outputOf(otherPid).contains("pressed"); }));
    QVERIFY(
        WaylandSession::waitFor([&] { return shows(session().grabScreen(), other, roadColor); }));

    // On a workspace nobody sees, the window has no hole, wherever sway keeps it: the backdrop
    // everywhere.
    QVERIFY(session().command(
        QStringLiteral("[pid=%1] move container to workspace tavlin-away").arg(pinnedPid)));
    QVERIFY(WaylandSession::waitFor([] { return everywhere(roadColor); }));

    spotlight.toggleWithoutAnimation();
    QVERIFY(WaylandSession::waitFor(
        [&] { return shows(session().grabScreen(), other, pressedColor); }));
}

void TestWaylandOverlays::reminderShowsTopCentreAboveTheOverlays_data()
{
    QTest::addColumn<OverlayLevel>("level");
    QTest::newRow("above spotlight") << OverlayLevel::Spotlight;
    QTest::newRow("above spotlight covering panels") << OverlayLevel::SpotlightPanels;
}

void TestWaylandOverlays::reminderShowsTopCentreAboveTheOverlays()
{
    QFETCH(OverlayLevel, level);
    // As spotlight mode starts: the reminder right after the overlays, before they are shown.
    showSpotlight(level);
    FocusReminder reminder(*m_settings, *m_services.overlays, [] { return nullptr; });
    QScreen* second = TestSession::screensLeftToRight().last();
    reminder.showReminder(second);
    QVERIFY(reminder.currentPanel());
    const QSize size = ReminderPanel().size();
    const QRect expected(1024 + (1024 - size.width()) / 2, ReminderPanel::topMargin, size.width(),
                         size.height());
    QCOMPARE(reminder.currentPanel()->geometry(), expected);
    // The panel's dark middle row, and the backdrop just outside it on every side.
    const auto panelShows = [&] {
        const QImage screen = session().grabScreen();
        const QColor middle =
            pixels::colorAt(screen, QPoint(expected.left() + 4, expected.center().y()));
        return pixels::distance(middle, QColor(roadColor)) > 60 &&
               ringShows(screen, expected, roadColor);
    };
    QVERIFY(WaylandSession::waitFor(panelShows));
    reminder.dismissReminder();
    QVERIFY(WaylandSession::waitFor(
        [] { return shows(session().grabScreen(), QRect(1024, 0, 1024, 768), roadColor); }));
}

void TestWaylandOverlays::coverIsSharpOnAScaledOutput()
{
    setBackdrop(stripes);
    m_cover->toggleWithoutAnimation();
    QVERIFY2(session().setOutputScale(QStringLiteral("HEADLESS-2"), 2),
             qPrintable(session().errorString()));
    QTRY_COMPARE(m_cover->windows().size(), 2);
    QCOMPARE(m_cover->windows().last()->geometry(), QRect(1024, 0, 512, 384));
    // Each device pixel column its own: black, white, black … as in the picture.
    const auto sharp = [] {
        const QImage output = session().grabOutput(QStringLiteral("HEADLESS-2"));
        if (output.size() != QSize(1024, 768))
            return false;
        for (int x = 100; x < 110; ++x) {
            if (pixels::distance(output.pixelColor(x, 300), output.pixelColor(x + 1, 300)) < 200)
                return false;
        }
        return true;
    };
    QVERIFY(WaylandSession::waitFor(sharp));
}

// The real window list and spotlight mode on the scale-2 output: the hole lies exactly over the
// window, in device pixels, and follows a move sway tells nobody about, long after the last one.
void TestWaylandOverlays::spotlightFollowsAWindowOnTheScaledOutput()
{
    const QString name = QStringLiteral("HEADLESS-2");
    QVERIFY(session().setOutputScale(name, 2));
    QTRY_COMPARE(TestSession::screensLeftToRight().last()->devicePixelRatio(), 2.0);
    const QPoint corner = session().outputRects().last().topLeft();
    QCOMPARE(corner, QPoint(1024, 0));
    const qint64 pid = startWindow({1100, 60, 200, 150}, windowColor);
    QVERIFY(pid);
    QVERIFY(session().command(QStringLiteral("[pid=%1] focus").arg(pid)));
    QVERIFY(WaylandSession::waitFor([&] { return m_services.runningApps->frontmostPid() == pid; }));
    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.toggleWithoutAnimation();
    QVERIFY(spotlight.isOn());
    // In device pixels: window inside, rounded corners left out, backdrop just outside.
    const auto holeOver = [&](const QRect& window) {
        const QImage output = session().grabOutput(name);
        const QRect hole(2 * (window.topLeft() - corner), 2 * window.size());
        const int r = 2 * int(CutoutView::holeCornerRadius);
        return shows(output, hole.adjusted(r, 1, -r, -1), windowColor) &&
               shows(output, hole.adjusted(1, r, -1, -r), windowColor) &&
               ringShows(output, hole, roadColor);
    };
    QVERIFY(WaylandSession::waitFor([&] { return holeOver(session().windowRect(pid)); }));

    QTest::qWait(1500); // longer than a list read only on demand keeps reading by itself
    QVERIFY(session().moveWindow(pid, {1250, 180}));
    QVERIFY(WaylandSession::waitFor([&] {
        const QRect now = session().windowRect(pid);
        return now.topLeft() == QPoint(1250, 180) && holeOver(now);
    }));
}

void TestWaylandOverlays::newOutputIsCovered()
{
    m_cover->toggleWithoutAnimation();
    const QString added = session().addOutput();
    QVERIFY2(!added.isEmpty(), qPrintable(session().errorString()));
    QTRY_COMPARE(m_cover->windows().size(), 3);
    const QRect third = session().outputRects().last();
    QVERIFY(
        WaylandSession::waitFor([&] { return shows(session().grabScreen(), third, roadColor); }));
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandOverlays, {})

#include "tst_waylandoverlays.moc"
