// Overlays as layer surfaces on a real compositor: headless sway with two outputs, test windows of
// known processes, screenshots and clicks; and sway's own window list and applications. (The
// cover's layer is checked on KWin, whose layer shell is the same to us.)
#include "backdrop/DesktopCover.h"
#include "platform/wayland/sway/SwayWindows.h"
#include "spotlight/CutoutView.h"
#include "tests/spotlight/CompositorFixture.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QPainter>
#include <QSignalSpy>

using namespace tavlin;

namespace {

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

// Whether every output shows `color` edge to edge. (The outermost pixels of a scaled output blend
// with the void beside it once the screenshot is scaled to logical pixels.)
bool everywhere(QRgb color)
{
    const QImage screen = session().grabScreen();
    const QList<QRect> outputs = session().outputRects();
    return std::all_of(outputs.begin(), outputs.end(), [&](const QRect& output) {
        return shows(screen, output.adjusted(1, 1, -1, -1), color);
    });
}

// What the screen must show around a hole over a window: the backdrop, and the window through a
// hole with rounded, antialiased corners.
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

class TestWaylandOverlays : public QObject, CompositorFixture<WaylandSession>
{
    Q_OBJECT

public:
    TestWaylandOverlays() : CompositorFixture(pinnedApp) {}

private Q_SLOTS:
    void initTestCase();
    void init() { resetSettings(); }
    void cleanup();
    void spotlightFollowsAndLetsClicksThrough() { checkSpotlightFollowsAndLetsClicksThrough(); }
    void holeIsExactAndGoesWithItsWorkspace();
    void reminderOnTheActiveOutput() { checkReminderOnTheActiveOutput(); }
    void windowListFollowsSwaysEvents();
    // Last: they change the outputs for good.
    void scaledOutputShowsDevicePixels();
    void newOutputIsCovered();
};

void TestWaylandOverlays::initTestCase()
{
    const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(pictures));
    // One-pixel columns the size of a scale-2 output: sharp only when painted in device pixels.
    QImage lines(1024, 768, QImage::Format_RGB32);
    for (int x = 0; x < lines.width(); ++x)
        for (int y = 0; y < lines.height(); ++y)
            lines.setPixel(x, y, x % 2 ? 0xffffffff : 0xff000000);
    QVERIFY(lines.save(pictures + QLatin1Char('/') + stripes, "PNG"));
    prepare();
    QCOMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
    QVERIFY(m_services.overlays->blends());
}

void TestWaylandOverlays::cleanup()
{
    closeWindows();
    // Everything gone: the wallpaper shows again.
    QVERIFY(waitFor([] { return everywhere(WaylandSession::wallpaperColor); }));
}

// The pinned window through a hole of exactly its shape, rounded corners included, also once moved
// (sway says nothing of that); none once it is on a workspace nobody sees.
void TestWaylandOverlays::holeIsExactAndGoesWithItsWorkspace()
{
    const QRect pinned(1200, 200, 400, 300);
    const qint64 pid = startWindow(pinned, pinnedColor, pinnedApp);
    QVERIFY(pid);
    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.toggleWithoutAnimation();
    const auto exactHole = [](const QRect& hole) {
        return waitFor([&] {
            return holeErrors(session().grabScreen(), hole, backdropColor, pinnedColor) == 0;
        });
    };
    QVERIFY2(exactHole(pinned), qPrintable(QString::number(holeErrors(
                                    session().grabScreen(), pinned, backdropColor, pinnedColor))));
    // Moved twice, so both buffers are painted in part: no trace of the earlier holes stays.
    for (const QRect& to : {pinned.translated(-10, 10), pinned.translated(100, 150)}) {
        QVERIFY(session().moveWindow(pid, to));
        QVERIFY(exactHole(to));
    }
    QVERIFY(shows(session().grabScreen(), QRect(pinned.topLeft(), QSize(80, 80)), backdropColor));

    // Wherever sway keeps it then: the backdrop everywhere.
    QVERIFY(session().command(
        QStringLiteral("[pid=%1] move container to workspace tavlin-away").arg(pid)));
    QVERIFY(waitFor([] { return everywhere(backdropColor); }));
}

// Opened, focused, hidden by a workspace switch, closed: told by sway's events alone, read through
// a list of its own that nothing follows frame by frame.
void TestWaylandOverlays::windowListFollowsSwaysEvents()
{
    const std::shared_ptr<SwayWindows> events = SwayWindows::connectTo(session().swaySocket());
    QVERIFY(events);
    const auto listed = [&](qint64 pid) {
        QList<WindowInfo> windows;
        for (const CompositorWindow& window : events->windows())
            windows.append(window.info);
        return ofProcess(windows, pid);
    };
    const auto shown = [&](qint64 pid) { return listed(pid).value_or(WindowInfo{}).ordinary; };
    RunningApps& running = *m_services.runningApps;
    const qint64 painter =
        startWindow({100, 100, 300, 200}, pinnedColor, QStringLiteral("org.example.Painter"));
    const qint64 other = startWindow({1100, 150, 300, 200}, otherColor);
    QVERIFY(painter && other);
    QVERIFY(waitFor([&] { return shown(painter) && shown(other); }));
    QVERIFY(waitFor([&] { return ofProcess(running.apps(), other).has_value(); }));
    QCOMPARE(ofProcess(running.apps(), painter)->identifier, QStringLiteral("org.example.Painter"));
    QCOMPARE(ofProcess(running.apps(), other)->identifier, QStringLiteral("tavlin-test-window"));

    QVERIFY(session().command(QStringLiteral("[pid=%1] focus").arg(painter)));
    QVERIFY(waitFor([&] { return running.frontmostPid() == painter; }));

    // The painter's output shows another workspace, the other output stays as it was.
    QVERIFY(session().command(QStringLiteral("workspace 5")));
    QVERIFY(waitFor([&] { return !shown(painter); }));
    QVERIFY(shown(other));
    QVERIFY(session().command(QStringLiteral("workspace 1")));
    QVERIFY(waitFor([&] { return shown(painter); }));

    QSignalSpy appsChanged(&running, &RunningApps::changed);
    session().stopProgram(other);
    QVERIFY(waitFor([&] { return !ofProcess(running.apps(), other); }));
    QCOMPARE(appsChanged.count(), 1);
    QVERIFY(waitFor([&] { return !listed(other); }));
}

// On the scale-2 output the cover is sharp, and spotlight mode's hole lies exactly over the window
// in device pixels and follows a move sway tells nobody about, long after the last one.
void TestWaylandOverlays::scaledOutputShowsDevicePixels()
{
    const QString name = QStringLiteral("HEADLESS-2");
    m_settings->setValue(Backdrop::settingsKey(), stripes);
    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    cover.toggleWithoutAnimation();
    QVERIFY2(session().setOutputScale(name, 2), qPrintable(session().errorString()));
    QTRY_COMPARE(cover.windows().size(), 2);
    QCOMPARE(cover.windows().last()->geometry(), QRect(1024, 0, 512, 384));
    // Each device pixel column its own: black, white, black … as in the picture.
    const auto sharp = [&] {
        const QImage output = session().grabOutput(name);
        if (output.size() != QSize(1024, 768))
            return false;
        for (int x = 100; x < 110; ++x) {
            if (pixels::distance(output.pixelColor(x, 300), output.pixelColor(x + 1, 300)) < 200)
                return false;
        }
        return true;
    };
    QVERIFY(waitFor(sharp));
    cover.toggleWithoutAnimation();
    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));

    const QPoint corner(1024, 0);
    const qint64 pid = startWindow({1100, 60, 200, 150}, pinnedColor);
    QVERIFY(pid);
    QVERIFY(session().command(QStringLiteral("[pid=%1] focus").arg(pid)));
    QVERIFY(waitFor([&] { return m_services.runningApps->frontmostPid() == pid; }));
    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.toggleWithoutAnimation();
    QVERIFY(spotlight.isOn());
    // In device pixels: window inside, rounded corners left out, backdrop just outside.
    const auto holeOver = [&](const QRect& window) {
        const QImage output = session().grabOutput(name);
        const QRect hole(2 * (window.topLeft() - corner), 2 * window.size());
        const int r = 2 * int(CutoutView::holeCornerRadius);
        return shows(output, hole.adjusted(r, 1, -r, -1), pinnedColor) &&
               shows(output, hole.adjusted(1, r, -1, -r), pinnedColor) &&
               ringShows(output, hole, backdropColor);
    };
    QVERIFY(waitFor([&] { return holeOver(session().windowRect(pid)); }));

    QTest::qWait(1500); // longer than a list read only on demand keeps reading by itself
    QVERIFY(session().moveWindow(pid, {1250, 180, 200, 150}));
    QVERIFY(waitFor([&] {
        const QRect now = session().windowRect(pid);
        return now.topLeft() == QPoint(1250, 180) && holeOver(now);
    }));
}

void TestWaylandOverlays::newOutputIsCovered()
{
    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    cover.toggleWithoutAnimation();
    QVERIFY2(session().addOutput(), qPrintable(session().errorString()));
    QTRY_COMPARE(cover.windows().size(), 3);
    QVERIFY(waitFor([&] {
        return shows(session().grabScreen(), session().outputRects().last(), backdropColor);
    }));
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandOverlays, {})

#include "tst_waylandoverlays.moc"
