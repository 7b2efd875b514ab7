// What spotlight mode costs on KWin (headless, two outputs): the program's and KWin's share of
// a core while the target window is dragged at 60 frames a second and while everything stands
// still, against the same drag with spotlight mode off. Our script reports every move, so the
// program's cost follows the compositor's frames, not a timer.
#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImages.h"
#include "bench/BenchTiming.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"
#include "tests/kwin/KwinSession.h"
#include "tests/session/PixelChecks.h"
#include "tests/session/SessionTestMain.h"
#include "tests/session/WaitFor.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QTimer>
#include <chrono>
#include <cstdio>

using namespace tavlin;
using tavlin::bench::processorSeconds;
using tavlin::bench::processorSecondsOf;

namespace {

constexpr int seconds = 4;
constexpr int framesPerSecond = 60;
const QString pinnedApp = QStringLiteral("tavlin-bench-pinned");

struct Load
{
    double own = 0; // share of a core
    double kwin = 0;
    int changes = 0; // window list changes seen
};

// Runs the event loop for `seconds`, with the pinned window dragged in KWin if `drag`.
Load measure(KwinSession& session, WindowList& windows, qint64 pinnedPid, bool drag)
{
    // Moves by wall time, so a busy KWin drops frames rather than dragging on.
    const QString script = drag ? session.startScript(QStringLiteral(R"(
let frame = 0;
const end = Date.now() + %2;
const timer = new QTimer();
timer.interval = %1;
timer.timeout.connect(function () {
    windows.forEach(function (w) {
        if (w.pid === %3)
            w.frameGeometry = {x: 100 + (++frame % 400), y: 150, width: 400, height: 300};
    });
    if (Date.now() >= end) { timer.stop(); done(); }
});
timer.start();
)")
                                                          .arg(1000 / framesPerSecond)
                                                          .arg(seconds * 1000 + 100)
                                                          .arg(pinnedPid))
                                : QString();
    Load load;
    const QMetaObject::Connection counting =
        QObject::connect(&windows, &WindowList::changed, [&] { ++load.changes; });
    const double ownBefore = processorSeconds();
    const double kwinBefore = processorSecondsOf(session.compositorPid());
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    loop.exec();
    load.own = (processorSeconds() - ownBefore) / seconds;
    load.kwin = (processorSecondsOf(session.compositorPid()) - kwinBefore) / seconds;
    QObject::disconnect(counting);
    if (!script.isEmpty())
        waitFor([&] { return !session.isScriptLoaded(script); }, 3000);
    waitFor([] { return false; }, 300); // the last report
    return load;
}

// A Wayland test window of one colour, placed at `rect`; its pid, or 0 when it did not show.
qint64 startWindow(KwinSession& session, const QRect& rect, QRgb color, const QString& appId)
{
    const qint64 pid =
        session.startProgram(QStringLiteral(TAVLIN_TEST_WAYLAND_WINDOW),
                             {QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()),
                              QColor(color).name(), QStringLiteral("--app-id=") + appId});
    const bool shown =
        pid && waitFor(
                   [&] {
                       return session.moveWindow(pid, rect) &&
                              pixels::isUniform(session.grabScreen(), rect.adjusted(1, 1, -1, -1),
                                                QColor(color), 8);
                   },
                   10000);
    return shown ? pid : 0;
}

void print(const char* label, const Load& load)
{
    std::printf("  %-34s program %6.2f %%   KWin %6.2f %%   %5d list changes\n", label,
                load.own * 100, load.kwin * 100, load.changes);
}

int runBench(KwinSession& session)
{
    const QString pictures = session.scratchPath() + QStringLiteral("/pictures");
    QDir().mkpath(pictures);
    QImage solid(320, 200, QImage::Format_RGB32);
    solid.fill(0xff2050c0);
    solid.save(pictures + QStringLiteral("/bg-country-road.jpeg"), "JPEG", 100);
    WindowServices services = PlatformFactory::makeWindowServices();
    BackdropImages images(QStringList{pictures}, services.desktopPictures.get());
    JsonSettingsStore settings(session.scratchPath() + QStringLiteral("/settings.json"));
    settings.setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
    settings.setValue(QStringLiteral("spotlightApps"), QJsonArray{pinnedApp});
    settings.setValue(QStringLiteral("spotlightRemindsAboutNotifications"), false);

    for (int i = 0; i < 5; ++i) {
        if (!startWindow(session, QRect(1100 + 40 * i, 100 + 40 * i, 300, 200), 0xff30c040,
                         QStringLiteral("tavlin-bench-other")))
            return std::printf("bench_kwin_spotlight: a window did not show\n"), 1;
    }
    const qint64 pinned = startWindow(session, QRect(100, 150, 400, 300), 0xffe03030, pinnedApp);
    if (!pinned || !waitFor([&] {
            return services.windowList->windows().value_or(QList<WindowInfo>{}).size() == 6;
        }))
        return std::printf("bench_kwin_spotlight: the windows were never reported\n"), 1;

    const Load off = measure(session, *services.windowList, pinned, true);
    Spotlight spotlight(settings, images, services);
    spotlight.toggleWithoutAnimation();
    const Load still = measure(session, *services.windowList, pinned, false);
    const Load dragging = measure(session, *services.windowList, pinned, true);

    std::printf("bench_kwin_spotlight: 6 windows, 2 outputs of 1024x768, %d s each, drag at %d "
                "frames/s\n",
                seconds, framesPerSecond);
    print("spotlight off, dragging", off);
    print("spotlight on, still", still);
    print("spotlight on, dragging", dragging);
    std::printf("  program on+dragging / off+dragging  %6.2f\n",
                off.own > 0 ? dragging.own / off.own : 0.0);
    std::printf("  KWin on+dragging / off+dragging     %6.2f\n",
                off.kwin > 0 ? dragging.kwin / off.kwin : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    KwinSession session;
    if (const QString missing = session.unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    return runInSession(argc, argv, session, "wayland", {},
                        [&session](int, char**) { return runBench(session); });
}
