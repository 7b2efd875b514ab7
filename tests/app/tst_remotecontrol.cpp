// The running program's bus interface as a user reaches it: the real command line in a child
// process, a real model answering in this test's event loop, on a private session bus. The
// instance's clock stands eight days ahead while the child's does not, so what a command prints
// also tells which process tidied: the instance sees every item as old, the child none.
#include "app/AppModel.h"
#include "app/AppServices.h"
#include "app/CommandResult.h"
#include "app/RemoteControl.h"
#include "app/RemoteNames.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeOverlaySurfaces.h"
#include "tests/fakes/FakeWindowList.h"
#include "tests/fakes/FaultyFileSystem.h"
#include "tests/fakes/TestTree.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>

using namespace tavlin;

namespace {

// What a child printed and how it ended: -1 when it did not end normally.
using Run = CommandResult;

const QByteArray threeItems = "photo.png=F:png|report.docx=F:docx|Projects";

} // namespace

class TestRemoteControl : public QObject
{
    Q_OBJECT

public:
    explicit TestRemoteControl(QByteArray busSocket) : m_busSocket(std::move(busSocket)) {}

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(qEnvironmentVariable("TAVLIN_BINARY")),
                 "TAVLIN_BINARY must name the built program");
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"),
                     QStringLiteral("--address=unix:path=") + QFile::decodeName(m_busSocket)});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon (package dbus-daemon) must be installed");
        QTRY_VERIFY(TestTree::exists(m_busSocket));
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void init()
    {
        m_scratch = std::make_unique<TestTree::Scratch>();
        QVERIFY(TestTree::build(m_scratch->root, TestTree::tree("home|config|Desktop")));
        QVERIFY(TestTree::build(desktop(), TestTree::tree(threeItems)));
        qputenv("HOME", m_scratch->at("home"));
        qputenv("XDG_CONFIG_HOME", m_scratch->at("config"));

        m_services = std::make_unique<AppServices>(AppServices::make());
        m_services->window.overlays = std::make_unique<FakeOverlaySurfaces>();
        m_services->window.windowList = std::make_unique<FakeWindowList>();
        // Moves can be held up, as on a slow or stalled disk.
        m_services->core.fileSystem = std::make_unique<FaultyFileSystem>();
        m_services->core.clock =
            std::make_unique<FakeClock>(double(QDateTime::currentSecsSinceEpoch()) + 8 * 86400.0);
        m_services->core.settings->setValue(TidyKeys::desktopBookmark,
                                            StoredPath::encode(desktop()));
        m_model = std::make_unique<AppModel>(*m_services);
        m_remote = std::make_unique<RemoteControl>(*m_model, *m_services);
        QVERIFY(m_remote->registerInstance());
    }

    void cleanup()
    {
        m_remote.reset();
        m_model.reset();
        m_services.reset();
        m_scratch.reset();
    }

    // Switches as the menu does (fading) or as the hot key does (at once); the command prints
    // the new state. A cover window's opacity right after the call shows whether it fades.
    // Where the session cannot show the feature, switching it on fails with the reason.
    void switches_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("startOn");
        QTest::addColumn<QString>("unavailable"); // the overlays' reason, empty: they work
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("fades"); // -1: not looked at

        const QString noLayers = QStringLiteral("No layer surfaces here");
        const QByteArray noLayersLine = "tavlin: No layer surfaces here\n";
        QTest::newRow("cover on fades") << QByteArray("\"$TAVLIN\" cover on") << false << QString()
                                        << true << 0 << QByteArray("on\n") << QByteArray() << 1;
        QTest::newRow("cover toggle, no fade")
            << QByteArray("\"$TAVLIN\" cover toggle") << false << QString() << true << 0
            << QByteArray("on\n") << QByteArray() << 0;
        QTest::newRow("spotlight off")
            << QByteArray("\"$TAVLIN\" spotlight off") << true << QString() << false << 0
            << QByteArray("off\n") << QByteArray() << -1;
        QTest::newRow("bad action")
            << QByteArray("\"$TAVLIN\" cover up") << false << QString() << false << 2
            << QByteArray() << QByteArray("unknown action 'up'") << -1;
        QTest::newRow("cover on where it cannot show")
            << QByteArray("\"$TAVLIN\" cover on") << false << noLayers << false << 1 << QByteArray()
            << noLayersLine << -1;
        QTest::newRow("spotlight toggle where it cannot show")
            << QByteArray("\"$TAVLIN\" spotlight toggle") << false << noLayers << false << 1
            << QByteArray() << noLayersLine << -1;
        QTest::newRow("spotlight off where it cannot show")
            << QByteArray("\"$TAVLIN\" spotlight off") << false << noLayers << false << 0
            << QByteArray("off\n") << QByteArray() << -1;
        // Any other client, by the names alone.
        QTest::newRow("dbus-send where it cannot show")
            << dbusSend("SetSpotlight string:on") << false << noLayers << false << 1 << QByteArray()
            << QByteArray("Error.Unavailable: No layer surfaces here") << -1;
    }
    void switches()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, startOn);
        QFETCH(QString, unavailable);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, fades);
        const bool spotlight = command.toLower().contains("spotlight");
        const auto isOn = [&] {
            return spotlight ? m_model->spotlight().isOn() : m_model->cover().isOn();
        };
        if (startOn)
            spotlight ? m_model->spotlight().toggleWithoutAnimation()
                      : m_model->cover().toggleWithoutAnimation();
        static_cast<FakeOverlaySurfaces&>(*m_services->window.overlays).reason = unavailable;
        double opacity = -1;
        QObject context;
        connect(
            &m_model->cover(), &DesktopCover::isOnChanged, &context,
            [&] {
                for (OverlayWindow* window : m_model->cover().windows())
                    opacity = window->opacity();
            },
            Qt::QueuedConnection);

        const Run run = shell(command);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QTEST(isOn(), "on");
        QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), run.err.constData());
        if (fades >= 0)
            QCOMPARE(opacity < 1.0, bool(fades));
    }

    // Tidy and undo through the instance: the model's status, counts and icon flash follow.
    void tidyAndUndoFollowTheModel()
    {
        DesktopTidy& tidy = m_model->tidy();
        Run run = shell("\"$TAVLIN\" tidy --dry-run");
        QByteArrayList lines = run.out.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        std::sort(lines.begin(), lines.end());
        QCOMPARE(lines, (QByteArrayList{"Documents\treport.docx", "Folders\tProjects",
                                        "Images\tphoto.png"}));
        QVERIFY(tidy.status().isNull());

        run = shell("\"$TAVLIN\" tidy");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("Filed 3 items\n"));
        QCOMPARE(tidy.status(), QStringLiteral("Filed 3 items"));
        QCOMPARE(tidy.undoCount(), 3);
        QCOMPARE(tidy.pendingCountVariant(), QVariant(0));
        QVERIFY(tidy.justFinished());

        run = shell("\"$TAVLIN\" undo");
        QCOMPARE(run.out, QByteArray("Restored 3 items\n"));
        QCOMPARE(tidy.status(), QStringLiteral("Restored 3 items"));
        QCOMPARE(tidy.undoCount(), 0);
        QCOMPARE(tidy.pendingCountVariant(), QVariant(3));
    }

    // A tidy over the bus runs beside the GUI thread: while its moves wait, this thread's
    // timers still fire, and the caller gets its answer when the tidy is done.
    void busTidyLeavesTheGuiLive()
    {
        std::atomic<bool> released = false;
        std::atomic<bool> waitedForTheGui = false;
        static_cast<FaultyFileSystem&>(*m_services->core.fileSystem)
            .setFailureRule([&](FaultyFileSystem::Operation operation, const QByteArray&) {
                // Blocks the calling thread without running its events, as a stalled disk does.
                const QDeadlineTimer deadline(3000);
                while (operation == FaultyFileSystem::Operation::Move && !waitedForTheGui &&
                       !released && !deadline.hasExpired())
                    QThread::msleep(10);
                waitedForTheGui = waitedForTheGui || released;
                return false;
            });
        QTimer::singleShot(300, this, [&] { released = true; });

        const Run run = shell("\"$TAVLIN\" tidy");
        QCOMPARE(run.out, QByteArray("Filed 3 items\n"));
        QVERIFY(waitedForTheGui);
        QCOMPARE(m_model->tidy().status(), QStringLiteral("Filed 3 items"));
    }

    // A session manager restarts the program with Qt's own options: that is the tray program,
    // which here hands over to the running one, not a command.
    void sessionRestart_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("session") << QByteArray("-session 1f2e3d") << 0;
        QTest::newRow("session without its id") << QByteArray("-session") << 2;
        QTest::newRow("a command after them") << QByteArray("-session 1 tidy") << 2;
    }
    void sessionRestart()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(int, exitCode);
        const Run run = shell("\"$TAVLIN\" " + arguments);
        QCOMPARE(run.exitCode, exitCode);
    }

    // Without an instance the switches refuse in one line.
    void withoutInstance()
    {
        m_remote.reset();
        const Run run = shell("\"$TAVLIN\" cover on");
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err,
                 QByteArray("tavlin: no running Tavlin to switch; start it first with `tavlin`\n"));
        QVERIFY(!m_model->cover().isOn());
    }

private:
    static QByteArray dbusSend(const QByteArray& call)
    {
        return "dbus-send --print-reply --dest=" + RemoteNames::service.toLatin1() + ' ' +
               RemoteNames::path.toLatin1() + ' ' + RemoteNames::interface.toLatin1() + '.' + call;
    }

    // Runs a shell command line in which "$TAVLIN" is the program and "$D" the Desktop, from the
    // scratch folder, while this event loop keeps answering the bus.
    Run shell(const QByteArray& command)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAVLIN"), qEnvironmentVariable("TAVLIN_BINARY"));
        env.insert(QStringLiteral("D"), QFile::decodeName(desktop()));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QFile::decodeName(m_scratch->root));
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QString::fromUtf8(command)});
        if (!finished.wait(30000))
            return {-1, {}, {}};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    QByteArray desktop() const { return m_scratch->at("Desktop"); }

    const QByteArray m_busSocket;
    QProcess m_bus;
    std::unique_ptr<TestTree::Scratch> m_scratch;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<RemoteControl> m_remote;
};

int main(int argc, char** argv)
{
    // The bus is named before anything can connect, so nothing here reaches a user's own bus.
    QTemporaryDir busFolder;
    const QByteArray socket = QFile::encodeName(busFolder.path()) + "/bus";
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket);
    QApplication app(argc, argv);
    TestRemoteControl test(socket);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_remotecontrol.moc"
