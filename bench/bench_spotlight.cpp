// What spotlight mode costs while it runs: one tick of following the windows with 30 client
// windows open (still, and right after the target moved), against one round trip to the X
// server; and the program's processor time over 10 s with the mode on and nothing moving,
// against 10 s with it off.
#include "bench/BenchTiming.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace tavlin;
using tavlin::bench::processorSeconds;

namespace {

using tavlin::bench::median;

constexpr int windowCount = 30;
constexpr int ticks = 3000;
constexpr int moves = 200;
constexpr int idleSeconds = 10;

double microsecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e3;
}

// The share of one core this process used while its event loop ran for `seconds`.
double idleLoad(int seconds)
{
    const double before = processorSeconds();
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    loop.exec();
    return (processorSeconds() - before) / seconds;
}

int run(int, char**)
{
    X11Session& session = *X11Session::current();
    QList<qint64> clients;
    for (int i = 0; i < windowCount; ++i) {
        const QRect rect(30 + (i % 6) * 300, 30 + (i / 6) * 200, 260, 160);
        const qint64 pid = session.startWindow(rect, QColor::fromHsv(i * 12, 200, 220));
        if (pid == 0) {
            std::printf("bench_spotlight: cannot open test window %d\n", i);
            return 1;
        }
        clients.append(pid);
    }
    // The last one opened is in front, and so the target.
    JsonSettingsStore settings(session.scratchPath() + QStringLiteral("/settings.json"));
    settings.setValue(QStringLiteral("backdrop"), QStringLiteral("gradient"));
    WindowServices services = PlatformFactory::makeWindowServices();
    BackdropImages images({}, services.desktopPictures.get());
    Spotlight spotlight(settings, images, services);

    const double baselineOff = idleLoad(idleSeconds);
    spotlight.toggleWithoutAnimation();
    if (!X11Session::waitFor([&] {
            return services.windowList->windows().value_or(QList<WindowInfo>()).size() >=
                   windowCount;
        })) {
        std::printf("bench_spotlight: the window list never showed every window\n");
        return 1;
    }
    const double loadOn = idleLoad(idleSeconds);

    std::vector<double> tickTimes, roundTrips;
    const quint32 someWindow = session.windowOf(clients.first());
    for (int i = 0; i < ticks; ++i) {
        tickTimes.push_back(microsecondsOf([&] { spotlight.updateHoles(); }));
        roundTrips.push_back(microsecondsOf([&] { session.probe().isViewable(someWindow); }));
    }

    // A tick right after the target window moved: the list reads that one window again.
    std::vector<double> movedTicks;
    const QString target = QString::number(session.windowOf(clients.last()));
    for (int i = 0; i < moves; ++i) {
        bool changed = false;
        const auto connection = QObject::connect(services.windowList.get(), &WindowList::changed,
                                                 [&] { changed = true; });
        session.run(QStringLiteral("xdotool"),
                    {QStringLiteral("windowmove"), target, QString::number(400 + (i % 2) * 40),
                     QStringLiteral("300")});
        const bool seen = X11Session::waitFor([&] { return changed; }, 2000);
        QObject::disconnect(connection);
        if (seen)
            movedTicks.push_back(microsecondsOf([&] { spotlight.updateHoles(); }));
    }
    spotlight.toggleWithoutAnimation();

    const double tick = median(tickTimes);
    const double trip = median(roundTrips);
    std::printf("bench_spotlight: %d client windows, median of %d ticks\n", windowCount, ticks);
    std::printf("  one tick, nothing moving           %8.1f us   (target <= 150 us: %s)\n", tick,
                tick <= 150 ? "PASS" : "OVER");
    if (!movedTicks.empty())
        std::printf("  one tick after the target moved    %8.1f us   (median of %d moves)\n",
                    median(movedTicks), int(movedTicks.size()));
    std::printf("  one X round trip                   %8.1f us\n", trip);
    std::printf("  tick / round trip                  %8.2f\n", tick / trip);
    std::printf("  processor, mode off, %d s          %8.2f %% of a core\n", idleSeconds,
                baselineOff * 100);
    std::printf("  processor, mode on, still, %d s    %8.2f %% of a core   (target < 1 %%: %s)\n",
                idleSeconds, loadOn * 100, loadOn < 0.01 ? "PASS" : "OVER");
    std::printf("  on / off                           %8.2f\n",
                baselineOff > 0 ? loadOn / baselineOff : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return runX11Test(argc, argv, {.compositor = true}, run);
}
