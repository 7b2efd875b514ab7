// What spotlight overlays cost on a Wayland compositor (headless sway): the processor time of
// one frame after a hole moved by 10 pixels, where only the old and the new hole are painted
// again, against a frame that repaints the whole surface; on two 1920x1080 outputs and on one
// 3840x2160 output. And the program's share of a core while the overlays stand still, against
// none shown.
#include "backdrop/Backdrop.h"
#include "backdrop/BackdropImages.h"
#include "backdrop/OverlayWindow.h"
#include "bench/BenchTiming.h"
#include "platform/PlatformFactory.h"
#include "platform/wayland/WaylandOverlaySurface.h"
#include "spotlight/CutoutView.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>

using namespace tavlin;
using tavlin::bench::processorSeconds;

namespace {

constexpr int frames = 120;
constexpr int idleSeconds = 5;

double idleLoad()
{
    const double before = processorSeconds();
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(idleSeconds), &loop, &QEventLoop::quit);
    loop.exec();
    return (processorSeconds() - before) / idleSeconds;
}

// Waits until the compositor has shown the next frame of `surface`.
bool frameShown(QSignalSpy& shown)
{
    return shown.wait(2000);
}

// Milliseconds of processor time per frame: the hole over the first screen moves back and
// forth by 10 pixels, and each overlay repaints either the two holes or everything.
double frameCost(const QList<OverlayWindow*>& overlays, bool wholeSurface)
{
    OverlayWindow* window = overlays.first();
    auto& view = static_cast<CutoutView&>(window->content());
    auto* surface = qobject_cast<WaylandOverlaySurface*>(&window->surface());
    QSignalSpy shown(surface, &WaylandOverlaySurface::frameShown);
    std::vector<double> costs;
    for (int i = 0; i < frames; ++i) {
        const QRectF before = view.holes().first();
        const QRectF after = before.translated(i % 2 ? -10 : 10, 0);
        view.setHoles({after});
        const double start = processorSeconds();
        if (wholeSurface)
            surface->updateAll();
        else
            surface->update(before.toAlignedRect().united(after.toAlignedRect()));
        if (!frameShown(shown))
            return -1;
        costs.push_back((processorSeconds() - start) * 1e3);
    }
    return bench::median(costs);
}

int measure(const char* outputs)
{
    WindowServices services = PlatformFactory::makeWindowServices();
    BackdropImages images(BackdropImages::defaultPictureFolders()
                              << QStringLiteral(TAVLIN_RESOURCES),
                          services.desktopPictures.get());
    const Backdrop picture = Backdrop::image(QStringLiteral("bg-country-road.jpeg"));
    const double noneShown = idleLoad();

    QList<OverlayWindow*> overlays;
    for (QScreen* screen : QGuiApplication::screens()) {
        auto view = std::make_unique<CutoutView>(images.screenImage(picture, screen));
        view->setHoles({QRectF(200, 200, 640, 400)});
        OverlayWindow* window = OverlayWindow::create(*services.overlays, screen,
                                                      OverlayLevel::Spotlight, std::move(view));
        if (!window)
            return 1;
        QSignalSpy presented(&window->surface(), &OverlaySurface::presented);
        window->fadeIn(false);
        if (!presented.wait(5000))
            return 1;
        overlays.append(window);
    }
    const double damaged = frameCost(overlays, false);
    const double whole = frameCost(overlays, true);
    const double still = idleLoad();
    qDeleteAll(overlays);
    if (damaged < 0 || whole < 0)
        return 1;
    std::printf("%s: a frame after the hole moved 10 px: %.3f ms of processor time; a whole "
                "repaint: %.3f ms (%.1fx the hole's)\n",
                outputs, damaged, whole, whole / damaged);
    std::printf("%s: while still, %.2f %% of a core with overlays shown, %.2f %% with none\n",
                outputs, 100 * still, 100 * noneShown);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int hd = runWaylandTest(argc, argv, {.outputSize = QSize(1920, 1080), .outputs = 2},
                                  [](int, char**) { return measure("2 x 1920x1080"); });
    const int uhd = runWaylandTest(argc, argv, {.outputSize = QSize(3840, 2160), .outputs = 1},
                                   [](int, char**) { return measure("1 x 3840x2160"); });
    return hd != 0 ? hd : uhd;
}
