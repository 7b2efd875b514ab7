// What spotlight mode costs on sway, where sway's IPC says where windows are and nothing tells
// of a window merely moved: 20 client windows on two 1920x1080 outputs, one of them pinned.
// Per moved frame: one read of sway's window tree, the tick that finds the new place and the
// repaint until sway shows it, against one IPC round trip. The processor time of this process
// and of sway over 10 s with the mode off, on and still, and on while a helper drags the
// pinned window 60 times a second, against the mode off.
#include "backdrop/Backdrop.h"
#include "bench/BenchTiming.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/wayland/WaylandOverlaySurface.h"
#include "platform/wayland/sway/SwayIpcConnection.h"
#include "platform/wayland/sway/SwayTree.h"
#include "spotlight/Spotlight.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tavlin;
using tavlin::bench::processorSeconds;
using tavlin::bench::processorSecondsOf;

namespace {

constexpr int windowCount = 20;
constexpr int reads = 200;
constexpr int moves = 60;
constexpr int phaseSeconds = 10;
const QString targetId = QStringLiteral("bench-target");
const QRect targetRect(300, 300, 640, 400);

// The machine's load over the last minute, which other programs' work makes.
QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0) : QByteArray("?");
}

// Shares of one core, of this process and of sway, while `during` runs for `seconds`.
struct Load
{
    double own = 0;
    double sway = 0;
};

Load loadWhile(int seconds, qint64 sway, const std::function<void()>& during = {})
{
    const double own = processorSeconds();
    const double compositor = processorSecondsOf(sway);
    if (during)
        during();
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    loop.exec();
    return {(processorSeconds() - own) / seconds,
            (processorSecondsOf(sway) - compositor) / seconds};
}

// Runs the event loop until `done` holds; false after 5 s.
bool spinUntil(const std::function<bool()>& done)
{
    return WaylandSession::waitFor(done, 5000);
}

// Median processor time in microseconds of one request of `type` on `ipc` until its answer is
// handled by `handle`.
double requestCost(SwayIpcConnection& ipc, quint32 type,
                   const std::function<void(const QByteArray&)>& handle)
{
    std::vector<double> costs;
    for (int i = 0; i < reads; ++i) {
        bool answered = false;
        const double start = processorSeconds();
        ipc.request(SwayIpcConnection::Type(type), {}, [&](const QByteArray& reply) {
            handle(reply);
            answered = true;
        });
        if (!spinUntil([&] { return answered; }))
            return -1;
        costs.push_back((processorSeconds() - start) * 1e6);
    }
    return bench::median(costs);
}

WaylandOverlaySurface* surfaceOver(const Spotlight& spotlight, const QPoint& point)
{
    for (OverlayWindow* window : spotlight.windows()) {
        if (window->geometry().contains(point))
            return qobject_cast<WaylandOverlaySurface*>(&window->surface());
    }
    return nullptr;
}

int fail(const char* what)
{
    std::printf("bench_spotlight_sway: %s\n", what);
    return 1;
}

int run(int, char**)
{
    WaylandSession& session = *WaylandSession::current();
    for (int i = 0; i < windowCount; ++i) {
        const QRect rect(30 + (i % 10) * 380, 30 + (i / 10) * 520, 340, 300);
        if (!session.startWindow(rect, QColor::fromHsv(i * 17, 200, 220),
                                 QStringLiteral("bench-window")))
            return fail("cannot open the test windows");
    }
    if (!session.startWindow(targetRect, QColor(0x30, 0x50, 0xe0), targetId))
        return fail("cannot open the pinned window");

    JsonSettingsStore settings(session.scratchPath() + QStringLiteral("/settings.json"));
    settings.setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
    settings.setValue(QStringLiteral("spotlightApps"), QJsonArray{targetId});
    WindowServices services = PlatformFactory::makeWindowServices();
    BackdropImages images(BackdropImages::defaultPictureFolders()
                              << QStringLiteral(TAVLIN_RESOURCES),
                          services.desktopPictures.get());
    Spotlight spotlight(settings, images, services);
    if (!spinUntil([&] { return !spotlight.targetPids().isEmpty(); }))
        return fail("sway's list never showed the pinned window");

    // The parts of a moved frame that do not need the mode on.
    SwayIpcConnection ipc;
    if (!ipc.open(session.swaySocket()))
        return fail("cannot reach sway's IPC");
    constexpr quint32 runCommand = 0;
    constexpr quint32 getVersion = 7;
    const double roundTrip = requestCost(ipc, getVersion, [](const QByteArray&) {});
    int windowsRead = 0;
    const double read = requestCost(ipc, SwayIpcConnection::GetTree, [&](const QByteArray& reply) {
        windowsRead = int(SwayTree::windows(QJsonDocument::fromJson(reply).object()).size());
    });
    if (roundTrip < 0 || read < 0)
        return fail("sway did not answer");

    const qint64 sway = session.compositorPid();
    const Load off = loadWhile(phaseSeconds, sway);
    spotlight.toggleWithoutAnimation();
    WaylandOverlaySurface* surface = surfaceOver(spotlight, targetRect.center());
    if (!surface)
        return fail("no overlay over the pinned window");
    int shown = 0;
    QObject::connect(surface, &WaylandOverlaySurface::frameShown, [&] { ++shown; });
    if (!spinUntil([&] { return shown > 0; }))
        return fail("sway never showed the overlay");
    const Load still = loadWhile(phaseSeconds, sway);

    // Single moves: the tick that first sees the new place, and what follows until sway shows
    // the frame. Measured from the list's own signal, before the mode's timer gets to it.
    std::vector<double> ticks, paints;
    double tickStart = 0;
    int shownBefore = 0;
    QObject context;
    QObject::connect(services.windowList.get(), &WindowList::changed, &context, [&] {
        shownBefore = shown;
        tickStart = processorSeconds();
        spotlight.updateHoles();
        ticks.push_back((processorSeconds() - tickStart) * 1e6);
    });
    for (int i = 0; i < moves; ++i) {
        const std::size_t before = ticks.size();
        // Over the open connection: starting swaymsg would fork this process, and the copied
        // pages it then writes to would count as the repaint's.
        const QString move = QStringLiteral("[app_id=%1] move absolute position %2 %3")
                                 .arg(targetId)
                                 .arg(targetRect.x() + (i % 2 == 0 ? 40 : 0))
                                 .arg(targetRect.y());
        ipc.request(SwayIpcConnection::Type(runCommand), move.toUtf8(), [](const QByteArray&) {});
        if (!spinUntil([&] { return ticks.size() > before && shown > shownBefore; }))
            return fail("a move did not reach the screen");
        paints.push_back((processorSeconds() - tickStart) * 1e6 - ticks.back());
    }
    QObject::disconnect(services.windowList.get(), nullptr, &context, nullptr);

    // Dragged by a helper at 60 moves a second.
    QProcess mover;
    const int shownAtStart = shown;
    const Load drag = loadWhile(phaseSeconds, sway, [&] {
        mover.start(QStringLiteral(TAVLIN_SWAY_MOVER),
                    {session.swaySocket(), QStringLiteral("[app_id=%1]").arg(targetId),
                     QString::number(targetRect.x()), QString::number(targetRect.y()),
                     QString::number(phaseSeconds)});
    });
    const double framesPerSecond = double(shown - shownAtStart) / phaseSeconds;
    mover.waitForFinished(5000);
    const QByteArray moved = mover.readAllStandardOutput().trimmed();
    spotlight.toggleWithoutAnimation();

    const double tick = bench::median(ticks);
    const double paint = bench::median(paints);
    const double frame = read + tick + paint;
    std::printf("bench_spotlight_sway: %d windows in sway's tree, 2 x 1920x1080, load %s\n",
                windowsRead, loadAverage().constData());
    std::printf("  one IPC round trip (get_version)      %8.1f us\n", roundTrip);
    std::printf("  read sway's windows (get_tree+parse)  %8.1f us\n", read);
    std::printf("  tick after the window moved           %8.1f us   (median of %d moves)\n", tick,
                int(ticks.size()));
    std::printf("  repaint until sway shows it           %8.1f us\n", paint);
    std::printf("  one moved frame, all three            %8.1f us   = %.1f round trips\n", frame,
                frame / roundTrip);
    std::printf("  processor over %d s, %% of a core:     Tavlin     sway\n", phaseSeconds);
    std::printf("    mode off                            %8.2f %8.2f\n", off.own * 100,
                off.sway * 100);
    std::printf("    mode on, still                      %8.2f %8.2f   (target < 1 %%: %s)\n",
                still.own * 100, still.sway * 100, still.own < 0.01 ? "PASS" : "OVER");
    std::printf("    mode on, dragged at 60 Hz           %8.2f %8.2f   (%s by the helper)\n",
                drag.own * 100, drag.sway * 100, moved.constData());
    std::printf("  still / off                           %8.2f %8.2f\n",
                off.own > 0 ? still.own / off.own : 0.0,
                off.sway > 0 ? still.sway / off.sway : 0.0);
    std::printf("  dragged / off                         %8.2f %8.2f\n",
                off.own > 0 ? drag.own / off.own : 0.0, off.sway > 0 ? drag.sway / off.sway : 0.0);
    std::printf("  frames shown while dragged            %8.1f per second\n", framesPerSecond);
    if (framesPerSecond > 0)
        std::printf("  processor per frame while dragged     %8.1f us\n",
                    drag.own * 1e6 / framesPerSecond);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return runWaylandTest(argc, argv, {.outputSize = QSize(1920, 1080), .outputs = 2}, run);
}
