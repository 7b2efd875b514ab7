#include "platform/wayland/WaylandWindowSources.h"
#include "platform/wayland/hyprland/HyprlandWindows.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

QByteArray recorded(const char* name)
{
    QFile file(QStringLiteral(TAVLIN_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", name);
    return file.readAll();
}

// Hyprland is not packaged for Debian 12: its two sockets, answering as it does. Each request
// connection gets one reply and is closed by the server; events go to every listener.
class FakeHyprland : public QObject
{
public:
    QHash<QByteArray, QByteArray> replies;
    QList<QByteArray> requests;
    int open = 0;     // request connections open right now
    int mostOpen = 0; // ... and at the most
    bool secondRequestOnAConnection = false;

    bool listen(const QString& folder)
    {
        QLocalServer::removeServer(folder + QStringLiteral("/.socket.sock"));
        connect(&m_requests, &QLocalServer::newConnection, this, &FakeHyprland::answer);
        connect(&m_events, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_events.nextPendingConnection())
                m_listeners.append(socket);
        });
        return m_requests.listen(folder + QStringLiteral("/.socket.sock")) &&
               m_events.listen(folder + QStringLiteral("/.socket2.sock"));
    }

    void send(const QByteArray& lines)
    {
        for (QLocalSocket* listener : std::as_const(m_listeners))
            listener->write(lines);
    }

    void dropListeners()
    {
        for (QLocalSocket* listener : std::as_const(m_listeners))
            listener->disconnectFromServer();
        m_listeners.clear();
    }

    bool hasListener() const { return !m_listeners.isEmpty(); }

private:
    void answer()
    {
        while (QLocalSocket* socket = m_requests.nextPendingConnection()) {
            mostOpen = std::max(mostOpen, ++open);
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                --open;
                socket->deleteLater();
            });
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->property("answered").toBool()) {
                    secondRequestOnAConnection = true;
                    return;
                }
                socket->setProperty("answered", true);
                const QByteArray request = socket->readAll();
                requests.append(request);
                socket->write(replies.value(request, "unknown request"));
                socket->disconnectFromServer();
            });
        }
    }

    QLocalServer m_requests;
    QLocalServer m_events;
    QList<QLocalSocket*> m_listeners;
};

QRectF boundsOf(const QList<WindowInfo>& windows, qint32 pid)
{
    for (const WindowInfo& window : windows) {
        if (window.pid == pid)
            return window.bounds;
    }
    return {};
}

const RunningApp* appOf(const QList<RunningApp>& apps, qint32 pid)
{
    for (const RunningApp& app : apps) {
        if (app.pid == pid)
            return &app;
    }
    return nullptr;
}

constexpr qint32 nautilus = 2103;
constexpr qint32 xterm = 2104;
constexpr qint32 firefox = 2102;
constexpr qint32 kitty = 2101;

} // namespace

class TestHyprlandWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void socketFolder_data()
    {
        QTest::addColumn<QString>("runtimeSubfolder"); // holds the request socket; empty: none
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<bool>("found");
        QTest::newRow("under the runtime directory") << "hypr/abc" << QByteArray("abc") << true;
        QTest::newRow("a signature that climbs out")
            << "hypr/abc" << QByteArray("../hypr/abc") << false;
    }

    void socketFolder()
    {
        QFETCH(QString, runtimeSubfolder);
        QFETCH(QByteArray, signature);
        QFETCH(bool, found);
        const QString folder = m_home.filePath(runtimeSubfolder);
        QVERIFY(QDir().mkpath(folder));
        QFile socket(folder + QStringLiteral("/.socket.sock"));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        const QString result =
            HyprlandWindows::socketFolder(QFile::encodeName(m_home.path()), signature);
        QCOMPARE(result, found ? folder : QString());
    }

    // The whole way from the sockets to the window list and the running applications.
    void followsTheCompositor()
    {
        const QString runtime = m_home.filePath(QStringLiteral("run"));
        const QString folder = runtime + QStringLiteral("/hypr/test_1700000000_12345");
        QVERIFY(QDir().mkpath(folder));
        FakeHyprland hyprland;
        hyprland.replies = {{"j/clients", recorded("hyprland-clients.json")},
                            {"j/monitors", recorded("hyprland-monitors.json")},
                            {"j/activewindow", recorded("hyprland-activewindow.json")}};
        QVERIFY(hyprland.listen(folder));
        // One installed application, named as Hyprland's app ids name desktop files.
        const QString applications = m_home.filePath(QStringLiteral("data/applications"));
        QVERIFY(QDir().mkpath(applications));
        QFile entry(applications + QStringLiteral("/org.gnome.Nautilus.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Files\n");
        entry.close();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(m_home.filePath(QStringLiteral("none"))));
        qunsetenv("SWAYSOCK");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qputenv("HYPRLAND_INSTANCE_SIGNATURE", "test_1700000000_12345");

        WaylandWindowSources sources = WaylandWindowSources::make();
        WindowList& list = *sources.windowList;
        RunningApps& running = *sources.runningApps;
        QVERIFY(list.unavailableReason().isEmpty());
        // Nothing follows the list frame by frame yet: only events bring news.
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(xterm));
        const RunningApp* files = appOf(running.apps(), nautilus);
        QVERIFY(files);
        QCOMPARE(files->identifier, QStringLiteral("org.gnome.Nautilus"));
        QCOMPARE(files->name, QStringLiteral("Files"));
        QCOMPARE(appOf(running.apps(), xterm)->identifier, QStringLiteral("XTermProbe"));
        QCOMPARE(std::count_if(running.apps().cbegin(), running.apps().cend(),
                               [](const RunningApp& app) { return app.pid == kitty; }),
                 1);

        // Firefox closes and the file manager gets the focus: told by events.
        QJsonArray clients = QJsonDocument::fromJson(hyprland.replies["j/clients"]).array();
        clients.removeAt(1);
        hyprland.replies["j/clients"] = QJsonDocument(clients).toJson();
        hyprland.replies["j/activewindow"] = QJsonDocument(clients.at(1).toObject()).toJson();
        QSignalSpy appsChanged(&running, &RunningApps::changed);
        hyprland.send("closewindow>>5581a7e0\nactivewindow>>org.gnome.Nautilus,Home\n"
                      "activewindowv2>>5581b130\n");
        QVERIFY(appsChanged.wait());
        QVERIFY(!appOf(running.apps(), firefox));
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(nautilus));

        // Dragged: no event says so, but the list is read again while it is being followed.
        QCOMPARE(boundsOf(list.windows().value(), nautilus), QRectF(300, 200, 800, 600));
        QJsonObject moved = clients.at(1).toObject();
        moved[QStringLiteral("at")] = QJsonArray{640, 360};
        clients.replace(1, moved);
        hyprland.replies["j/clients"] = QJsonDocument(clients).toJson();
        QTRY_COMPARE(boundsOf(list.windows().value(), nautilus), QRectF(640, 360, 800, 600));

        // Every request had a short connection of its own.
        QCOMPARE(hyprland.mostOpen, 1);
        QVERIFY(!hyprland.secondRequestOnAConnection);
        QVERIFY(!hyprland.requests.contains("unknown request"));

        // Hyprland goes away: no windows, and a reason.
        hyprland.dropListeners();
        QTRY_VERIFY(!list.unavailableReason().isEmpty());
        QVERIFY(list.windows().value().isEmpty());
    }
};

QTEST_MAIN(TestHyprlandWindows)
#include "tst_hyprlandwindows.moc"
