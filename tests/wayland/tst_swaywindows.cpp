// Other programs' windows and the running applications on a real sway, through its IPC.
#include "platform/PlatformFactory.h"
#include "platform/wayland/sway/SwayWindows.h"
#include "tests/session/PixelChecks.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
        QVERIFY(QDir().mkpath(session().homePath() + QStringLiteral("/.local/share/applications")));
        QFile entry(session().homePath() +
                    QStringLiteral("/.local/share/applications/org.example.Painter.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Painter\nExec=painter\n");
        entry.close();
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

    // Where the list says a window is, on either output, the window's pixels are; and while
    // the list is followed frame by frame it follows a move sway sends no event for.
    void boundsAreWhereTheWindowShows()
    {
        QVERIFY(session().setOutputScale(QStringLiteral("HEADLESS-2"), 2));
        const qint64 left = session().startWindow({200, 150, 300, 200}, Qt::red);
        const qint64 right = session().startWindow({1200, 100, 240, 160}, Qt::green);
        QVERIFY2(left && right, qPrintable(session().errorString()));
        WindowList& list = *m_services.windowList;
        QTimer frames; // as spotlight mode asks
        frames.setInterval(16);
        connect(&frames, &QTimer::timeout, &list, [&list] { list.windows(); });
        frames.start();
        // The test client first shows centred, then is moved without an event.
        QVERIFY(WaylandSession::waitFor([&] {
            const std::optional<WindowInfo> window = ofProcess(list.windows().value(), right);
            return window && window->bounds == QRectF(session().windowRect(right));
        }));
        const QImage screen = session().grabScreen();
        for (const auto& [pid, color] : {std::pair{left, QColor(Qt::red)}, {right, Qt::green}}) {
            const std::optional<WindowInfo> window = ofProcess(list.windows().value(), pid);
            QVERIFY(window && window->ordinary);
            // Edges may blend where the scaled output is brought to logical pixels.
            const QRect inside = window->bounds.toRect().adjusted(1, 1, -1, -1);
            const QRect around = window->bounds.toRect().adjusted(-2, -2, 2, 2);
            QVERIFY2(pixels::isUniform(screen, inside, color),
                     pixels::describe(screen, inside, color));
            for (const QRect& edge : {QRect(around.topLeft(), QSize(around.width(), 1)),
                                      QRect(around.bottomLeft(), QSize(around.width(), 1)),
                                      QRect(around.topLeft(), QSize(1, around.height())),
                                      QRect(around.topRight(), QSize(1, around.height()))})
                QVERIFY2(pixels::countDiffering(screen, edge, color, 64) ==
                             edge.width() * edge.height(),
                         "the window shows outside its bounds");
        }

        QVERIFY(session().moveWindow(left, {500, 400}));
        QVERIFY(WaylandSession::waitFor([&] {
            return ofProcess(list.windows().value(), left)->bounds == QRectF(500, 400, 300, 200);
        }));
        session().stopClient(left);
        session().stopClient(right);
    }
};

TAVLIN_WAYLAND_TEST_MAIN(TestSwayWindows, {})

#include "tst_swaywindows.moc"
