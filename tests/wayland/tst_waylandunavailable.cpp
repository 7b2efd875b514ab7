// A compositor without layer surfaces (weston): the overlays say why they cannot be shown, and
// nothing is made, rather than an ordinary window covering everything.
#include "backdrop/BackdropView.h"
#include "backdrop/DesktopCover.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QGuiApplication>
#include <QTest>

using namespace tavlin;

class TestWaylandUnavailable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coverStaysOffWithAReason();
};

void TestWaylandUnavailable::coverStaysOffWithAReason()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    QVERIFY(!QGuiApplication::screens().isEmpty());
    WindowServices services = PlatformFactory::makeWindowServices();
    for (const OverlayLevel level : {OverlayLevel::Cover, OverlayLevel::Spotlight,
                                     OverlayLevel::SpotlightPanels, OverlayLevel::Reminder})
        QVERIFY(!services.overlays->unavailableReason(level).isEmpty());
    BackdropView view{BackdropImage()};
    QVERIFY(!services.overlays->create(QGuiApplication::primaryScreen(), OverlayLevel::Cover,
                                       OverlayPlacement::fullScreen(), view));

    JsonSettingsStore settings(WaylandSession::current()->scratchPath() +
                               QStringLiteral("/settings.json"));
    BackdropImages images({}, services.desktopPictures.get());
    DesktopCover cover(settings, images, *services.overlays, *services.workspace);
    QCOMPARE(cover.unavailableReason(), services.overlays->unavailableReason(OverlayLevel::Cover));
    cover.setOn(true);
    QVERIFY(!cover.isOn());
    QVERIFY(cover.windows().isEmpty());
    QVERIFY(QGuiApplication::topLevelWindows().isEmpty());
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandUnavailable,
                         {.compositor = WaylandSessionOptions::Compositor::Weston, .outputs = 1})

#include "tst_waylandunavailable.moc"
