// How long the desktop cover takes from being switched on to every cover window being mapped,
// on two monitors, without fades, against plain screen-sized windows mapped the same way.
#include "backdrop/DesktopCover.h"
#include "bench/BenchTiming.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tavlin;

namespace {

using tavlin::bench::median;

constexpr int repetitions = 15;

bool allMapped(X11Session& session, const QList<quint64>& windows)
{
    return std::all_of(windows.begin(), windows.end(),
                       [&](quint64 id) { return session.probe().isViewable(quint32(id)); });
}

// Milliseconds from `show` until every window it returns is mapped on the server.
double timeToMapped(X11Session& session, const std::function<QList<quint64>()>& show)
{
    QElapsedTimer timer;
    timer.start();
    const QList<quint64> windows = show();
    if (!X11Session::waitFor([&] { return allMapped(session, windows); }, 5000))
        return -1;
    return double(timer.nsecsElapsed()) / 1e6;
}

int run(int, char**)
{
    X11Session& session = *X11Session::current();
    JsonSettingsStore settings(session.scratchPath() + QStringLiteral("/settings.json"));
    settings.setValue(QStringLiteral("backdrop"), QStringLiteral("bg-country-road.jpeg"));
    WindowServices services = PlatformFactory::makeWindowServices();
    BackdropImages images(BackdropImages::defaultPictureFolders()
                              << QStringLiteral(TAVLIN_RESOURCES),
                          services.desktopPictures.get());
    DesktopCover cover(settings, images, *services.overlays, *services.workspace);

    std::vector<double> coverTimes, plainTimes;
    for (int round = 0; round < repetitions + 1; ++round) {
        const double coverMs = timeToMapped(session, [&] {
            cover.toggleWithoutAnimation();
            QList<quint64> windows;
            for (OverlayWindow* window : cover.windows())
                windows.append(window->surface().nativeId());
            return windows;
        });
        cover.toggleWithoutAnimation();

        std::vector<std::unique_ptr<QWidget>> plain;
        const double plainMs = timeToMapped(session, [&] {
            QList<quint64> windows;
            for (QScreen* screen : QGuiApplication::screens()) {
                plain.push_back(
                    std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint));
                plain.back()->setGeometry(screen->geometry());
                plain.back()->show();
                windows.append(quint64(plain.back()->winId()));
            }
            return windows;
        });
        plain.clear();
        if (coverMs < 0 || plainMs < 0) {
            std::printf("bench_cover: a window was never mapped\n");
            return 1;
        }
        if (round > 0) { // the first round loads the picture and warms everything up
            coverTimes.push_back(coverMs);
            plainTimes.push_back(plainMs);
        }
    }
    std::printf("bench_cover: %d screens, median of %d runs\n",
                int(QGuiApplication::screens().size()), repetitions);
    std::printf("  cover on, no fade, until mapped   %8.2f ms\n", median(coverTimes));
    std::printf("  plain windows until mapped        %8.2f ms\n", median(plainTimes));
    std::printf("  cover / plain                     %8.2f   (information)\n",
                median(coverTimes) / median(plainTimes));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return runX11Test(argc, argv, {.twoMonitors = true, .compositor = true, .desktopIcons = true},
                      run);
}
