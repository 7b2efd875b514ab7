// Other programs' windows and the running applications on a real sway, through its IPC.
#include "platform/PlatformFactory.h"
#include "platform/wayland/sway/SwayWindows.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

namespace {

std::optional<CompositorWindow> windowOf(const QList<CompositorWindow>& windows, qint64 pid)
{
    for (const CompositorWindow& window : windows) {
        if (window.info.pid == pid)
            return window;
    }
    return std::nullopt;
}

} // namespace

class TestSwayWindows : public QObject
{
    Q_OBJECT

    WindowServices m_services;
    // Read only on sway's events: nothing here follows the list frame by frame.
    std::shared_ptr<SwayWindows> m_events;

    bool shown(qint64 pid)
    {
        const std::optional<CompositorWindow> window = windowOf(m_events->windows(), pid);
        return window && window->info.ordinary;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(session().writeHomeFile(
            QStringLiteral(".local/share/applications/org.example.Painter.desktop"),
            "[Desktop Entry]\nType=Application\nName=Painter\nExec=painter\n"));
        m_services = PlatformFactory::makeWindowServices();
        QVERIFY(m_services.windowList->unavailableReason().isEmpty());
        m_events = SwayWindows::connectTo(session().swaySocket());
        QVERIFY(m_events);
    }

    void cleanupTestCase()
    {
        m_events.reset();
        m_services = {};
    }

    // Opened, focused, hidden by a workspace switch, closed: told by sway's events alone.
    void followsEvents()
    {
        RunningApps& running = *m_services.runningApps;
        const qint64 painter = session().startWindow({100, 100, 300, 200}, Qt::red,
                                                     QStringLiteral("org.example.Painter"));
        const qint64 other =
            session().startWindow({1100, 150, 300, 200}, Qt::blue, QStringLiteral("tavlin-other"));
        QVERIFY2(painter && other, qPrintable(session().errorString()));
        QVERIFY(WaylandSession::waitFor([&] { return shown(painter) && shown(other); }));
        QVERIFY(
            WaylandSession::waitFor([&] { return ofProcess(running.apps(), other).has_value(); }));
        QCOMPARE(ofProcess(running.apps(), painter)->identifier,
                 QStringLiteral("org.example.Painter"));
        QCOMPARE(ofProcess(running.apps(), painter)->name, QStringLiteral("Painter"));
        QCOMPARE(ofProcess(running.apps(), other)->identifier, QStringLiteral("tavlin-other"));

        QVERIFY(session().command(QStringLiteral("[pid=%1] focus").arg(painter)));
        QVERIFY(WaylandSession::waitFor([&] { return running.frontmostPid() == painter; }));

        // The painter's output shows another workspace, the other output stays as it was.
        QVERIFY(session().command(QStringLiteral("workspace 5")));
        QVERIFY(WaylandSession::waitFor([&] { return !shown(painter); }));
        QVERIFY(shown(other));
        QVERIFY(session().command(QStringLiteral("workspace 1")));
        QVERIFY(WaylandSession::waitFor([&] { return shown(painter); }));

        QSignalSpy appsChanged(&running, &RunningApps::changed);
        session().stopClient(other);
        QVERIFY(WaylandSession::waitFor([&] { return !ofProcess(running.apps(), other); }));
        QCOMPARE(appsChanged.count(), 1);
        QVERIFY(WaylandSession::waitFor([&] { return !windowOf(m_events->windows(), other); }));
        session().stopClient(painter);
    }
};

TAVLIN_WAYLAND_TEST_MAIN(TestSwayWindows, {})

#include "tst_swaywindows.moc"
