// A compositor without layer surfaces (weston): the overlays say why they cannot be shown, and
// nothing is made, rather than an ordinary window covering everything; the command line that
// asks the running program for one fails with that reason.
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
    void commandLineFailsWithTheReason_data();
    void commandLineFailsWithTheReason();

private:
    qint64 m_program = 0; // the running instance, one for all rows
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

void TestWaylandUnavailable::commandLineFailsWithTheReason_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::newRow("cover on") << QStringList{QStringLiteral("cover"), QStringLiteral("on")};
    QTest::newRow("spotlight toggle")
        << QStringList{QStringLiteral("spotlight"), QStringLiteral("toggle")};
}

void TestWaylandUnavailable::commandLineFailsWithTheReason()
{
    QFETCH(QStringList, command);
    const QString program = QStringLiteral(TAVLIN_PROGRAM);
    WaylandSession& session = *WaylandSession::current();
    if (!m_program)
        m_program = session.startProgram(program);
    QVERIFY(m_program);
    // Until the program has claimed its bus name the command says none runs, also a failure.
    QByteArray output;
    QVERIFY2(WaylandSession::waitFor(
                 [&] {
                     return !session.run(program, command, 10000, &output) &&
                            output.contains("doesn't let Tavlin place overlays");
                 },
                 15000),
             output.constData());
    QVERIFY2(output.startsWith("tavlin: "), output.constData());
    QVERIFY2(!output.contains("on\n") && !output.contains("off\n"), output.constData());
}

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandUnavailable,
                         {.compositor = WaylandSessionOptions::Compositor::Weston, .outputs = 1})

#include "tst_waylandunavailable.moc"
