// What window systems tell about windows, read without trusting it: the compositors' window
// lists (recorded replies, and Hyprland's sockets played by a fake server), X11 clients' own
// words, and how Wayland outputs and buffers are matched.
#include "platform/wayland/BufferGeometry.h"
#include "platform/wayland/OutputMatch.h"
#include "platform/wayland/WaylandWindowSources.h"
#include "platform/wayland/hyprland/HyprlandClients.h"
#include "platform/wayland/hyprland/HyprlandWindows.h"
#include "platform/wayland/kwin/KwinReport.h"
#include "platform/wayland/sway/SwayIpcFraming.h"
#include "platform/wayland/sway/SwayTree.h"
#include "platform/x11/ClientPlacement.h"
#include "platform/x11/NetWmIcon.h"

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

QByteArray recorded(const QString& name)
{
    QFile file(QStringLiteral(TAVLIN_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

QJsonValue recordedJson(const QString& name)
{
    const QJsonDocument document = QJsonDocument::fromJson(recorded(name));
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

QList<CompositorWindow> windowsFrom(const QString& source)
{
    if (source == QLatin1String("kwin"))
        return KwinReport::windows(recorded(QStringLiteral("kwin-report.json")))
            .value_or(QList<CompositorWindow>{});
    if (source == QLatin1String("hyprland"))
        return HyprlandClients::windows(
            recordedJson(QStringLiteral("hyprland-clients.json")).toArray(),
            recordedJson(QStringLiteral("hyprland-monitors.json")).toArray(),
            recordedJson(QStringLiteral("hyprland-activewindow.json")).toObject());
    return SwayTree::windows(recordedJson(source).toObject());
}

constexpr qsizetype notListed = -2;

enum class Source { Client, Synthetic, Frame };

// Hyprland is not packaged for Debian 12: its two sockets, answering as it does. Each request
// connection gets one reply and is closed by the server; events go to every listener.
class FakeHyprland : public QObject
{
public:
    QHash<QByteArray, QByteArray> replies;
    int open = 0;     // request connections open right now
    int mostOpen = 0; // ... and at the most

    bool listen(const QString& folder)
    {
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
    }

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
                socket->write(replies.value(socket->readAll(), "unknown request"));
                socket->disconnectFromServer();
            });
        }
    }

    QLocalServer m_requests;
    QLocalServer m_events;
    QList<QLocalSocket*> m_listeners;
};

template <typename Item> const Item* byPid(const QList<Item>& items, qint32 pid)
{
    for (const Item& item : items) {
        if (item.pid == pid)
            return &item;
    }
    return nullptr;
}

QRectF boundsOf(WindowList& list, qint32 pid)
{
    const QList<WindowInfo> windows = list.windows().value_or(QList<WindowInfo>{});
    const WindowInfo* window = byPid(windows, pid);
    return window ? window->bounds : QRectF();
}

} // namespace

Q_DECLARE_METATYPE(Source)

class TestCompositorWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    // sway-tree.json, recorded from sway 1.7: HEADLESS-1 (1280x720) showing workspace 1,
    // HEADLESS-2 right of it at scale 2 (640x360 logical) showing workspace 2, workspace 3
    // hidden, one window in the scratchpad; workspace 1 holds a tabbed container and two
    // floating windows.
    // Hyprland, written from its documented reply format: DP-1 (1920x1080 at 0,0) showing
    // workspace 1, DP-2 (3840x2160 at scale 2, at 1920,0) showing workspace 2 with a fullscreen
    // player and the special workspace "scratch" open.
    // KWin, as our script reports it: a window on another desktop at the top of KWin's stack,
    // an active Wayland window, an X11 window with its dialog, a minimised window, one of our
    // layer surfaces and plasmashell's desktop view at the bottom.
    void windowList_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("appId");
        QTest::addColumn<qint32>("pid"); // 0: the app id is enough
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<bool>("ordinary");
        QTest::addColumn<bool>("focused");

        const auto row = [](const char* tag, const char* source, const char* appId, qint32 pid,
                            qsizetype position, const QRectF& bounds, bool ordinary, bool focused) {
            QTest::newRow(tag) << QString::fromLatin1(source) << QString::fromLatin1(appId) << pid
                               << position << bounds << ordinary << focused;
        };
        const char* const sway = "sway-tree.json";
        row("sway: focused floating window on top, with its title bar", sway, "term2", 0, 0,
            QRectF(100, 80, 400, 300), true, true);
        row("sway: shown tab after the floating windows, without the shared tab bar", sway, "term5",
            0, 2, QRectF(0, 25, 1280, 695), true, false);
        row("sway: hidden tab, in focus order", sway, "term4", 0, 3, QRectF(0, 25, 1280, 695),
            false, false);
        row("sway: fullscreen on the scaled output, in logical coordinates", sway, "term6", 0, 5,
            QRectF(1280, 0, 640, 360), true, false);
        row("sway: behind a fullscreen window", sway, "term7", 0, 6, QRectF(1600, 0, 320, 360),
            false, false);
        row("sway: on a hidden workspace, listed after every shown one", sway, "term8", 0, 7,
            QRectF(0, 0, 1280, 720), false, false);
        row("sway: in the scratchpad", sway, "term9", 0, 8, QRectF(318, 76, 644, 567), false,
            false);
        row("sway: shown in a stack, without the stacked titles", "sway-tree-stacked.json",
            "term11", 0, 0, QRectF(0, 75, 1280, 645), true, true);
        const char* const hypr = "hyprland";
        row("hyprland: fullscreen window first, on the scaled monitor as given", hypr, "mpv", 0, 0,
            QRectF(1920, 0, 1920, 1080), true, false);
        row("hyprland: open special workspace, last raised floating window", hypr, "pavucontrol", 0,
            1, QRectF(2200, 200, 600, 400), true, false);
        row("hyprland: active X11 window below it", hypr, "XTermProbe", 0, 2,
            QRectF(500, 400, 484, 316), true, true);
        row("hyprland: inactive group member", hypr, "kitty", 2107, 4, QRectF(10, 10, 940, 1060),
            false, false);
        row("hyprland: behind a fullscreen window", hypr, "org.kde.dolphin", 0, 5,
            QRectF(1930, 10, 1900, 1060), false, false);
        row("hyprland: on a workspace no monitor shows", hypr, "kitty", 2101, 6,
            QRectF(10, 10, 1900, 1060), false, false);
        const char* const kwin = "kwin";
        row("kwin: on another desktop, first as stacked, not ordinary", kwin, "org.kde.kate", 1802,
            0, QRectF(300, 200, 400, 300), false, false);
        row("kwin: active window by its desktop-file name, fractional position", kwin,
            "firefox-esr", 1501, 1, QRectF(1100.5, 40, 640, 480), true, true);
        row("kwin: X11 dialog above its window, by the class", kwin, "XTerm", 1620, 2,
            QRectF(150, 150, 300, 120), true, false);
        row("kwin: desktop view, never ordinary", kwin, "org.kde.plasmashell", 812, 5,
            QRectF(0, 0, 1024, 768), false, false);
        row("kwin: a layer surface is no window", kwin, "tavlin", 4242, notListed, QRectF(), false,
            false);
    }

    void windowList()
    {
        QFETCH(QString, source);
        QFETCH(QString, appId);
        QFETCH(qint32, pid);
        QFETCH(qsizetype, position);
        QFETCH(QRectF, bounds);
        QFETCH(bool, ordinary);
        QFETCH(bool, focused);
        // One process may own several windows of one app id.
        const QList<CompositorWindow> windows = windowsFrom(source);
        const auto found = std::find_if(windows.cbegin(), windows.cend(), [&](const auto& window) {
            return window.appId == appId && (pid == 0 || window.info.pid == pid);
        });
        QCOMPARE(found == windows.cend(), position == notListed);
        if (position == notListed)
            return;
        QCOMPARE(found - windows.cbegin(), position);
        QCOMPARE(found->info.bounds, bounds);
        QCOMPARE(found->info.ordinary, ordinary);
        QCOMPARE(found->focused, focused);
    }

    // Replies no compositor should send, and what is made of them.
    void oddReplies_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("windows"); // -1: no list at all

        QTest::newRow("kwin: not JSON") << "kwin" << QByteArray("[{") << -1;
        QTest::newRow("kwin: an object, not a list") << "kwin" << QByteArray(R"({"x":1})") << -1;
        QTest::newRow("kwin: wrong types everywhere")
            << "kwin" << QByteArray(R"([1,"x",{"x":"a","pid":"7","width":-5,"normal":"yes"}])")
            << 1;
        QTest::newRow("sway: wrong types everywhere")
            << "sway" << QByteArray(R"({"nodes":{"a":1},"focus":"x","floating_nodes":7})") << 0;
        QTest::newRow("sway: process id that is no process id")
            << "sway"
            << QByteArray(R"({"nodes":[{"name":"o","current_workspace":"1","nodes":[{"name":"1",)"
                          R"("nodes":[{"pid":-5,"app_id":"a","rect":{}}]}]}]})")
            << 1;
        QTest::newRow("hyprland: wrong types everywhere")
            << "hyprland" << QByteArray(R"([1,"x",{"at":"x","size":null}])") << 0;
        QTest::newRow("hyprland: process id that is no process id")
            << "hyprland" << QByteArray(R"([{"address":"0x1","pid":99999999999,"class":"a"}])")
            << 1;
    }

    void oddReplies()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, reply);
        QFETCH(int, windows);
        const QJsonDocument document = QJsonDocument::fromJson(reply);
        const std::optional<QList<CompositorWindow>> found =
            source == QLatin1String("kwin")   ? KwinReport::windows(reply)
            : source == QLatin1String("sway") ? SwayTree::windows(document.object())
                                              : HyprlandClients::windows(document.array(), {}, {});
        QCOMPARE(found.has_value(), windows >= 0);
        QCOMPARE(found.value_or(QList<CompositorWindow>{}).size(), std::max(windows, 0));
        for (const CompositorWindow& window : found.value_or(QList<CompositorWindow>{})) {
            QVERIFY(!window.regular);
            QVERIFY(!window.info.pid);
            QVERIFY(window.info.bounds.width() >= 0);
        }
    }

    void swayFraming_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("payloads");
        QTest::addColumn<bool>("broken");

        const QByteArray tree = SwayIpcFraming::encode(4, R"({"id":1})");
        const QByteArray event = SwayIpcFraming::encode(SwayIpcFraming::eventBit | 3, "{}");
        QTest::newRow("two messages in one read")
            << tree + event << QList<QByteArray>{R"({"id":1})", "{}"} << false;
        QTest::newRow("second one not complete yet")
            << tree + event.left(event.size() - 1) << QList<QByteArray>{R"({"id":1})"} << false;
        QTest::newRow("header cut short") << tree.left(9) << QList<QByteArray>{} << false;
        QTest::newRow("not the protocol")
            << QByteArray("HTTP/1.1 200 OK\r\n") << QList<QByteArray>{} << true;
        QByteArray huge = tree;
        huge[6] = huge[7] = huge[8] = huge[9] = char(0xff);
        QTest::newRow("impossible length") << huge << QList<QByteArray>{} << true;
    }

    void swayFraming()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, payloads);
        QFETCH(bool, broken);
        QList<QByteArray> found;
        SwayIpcFraming::Message message;
        SwayIpcFraming::Status status;
        while ((status = SwayIpcFraming::take(stream, message)) == SwayIpcFraming::Status::Complete)
            found.append(message.payload);
        QCOMPARE(found, payloads);
        QCOMPARE(status == SwayIpcFraming::Status::Broken, broken);
    }

    // The whole way from Hyprland's sockets to the window list and the running applications.
    void followsHyprland()
    {
        const QString runtime = m_home.filePath(QStringLiteral("run"));
        const QByteArray signature = "test_1700000000_12345";
        const QString folder = runtime + QStringLiteral("/hypr/") + QString::fromLatin1(signature);
        QVERIFY(QDir().mkpath(folder));
        FakeHyprland hyprland;
        hyprland.replies = {
            {"j/clients", recorded(QStringLiteral("hyprland-clients.json"))},
            {"j/monitors", recorded(QStringLiteral("hyprland-monitors.json"))},
            {"j/activewindow", recorded(QStringLiteral("hyprland-activewindow.json"))}};
        QVERIFY(hyprland.listen(folder));
        // A signature names a folder, and nothing that climbs out of it.
        QCOMPARE(HyprlandWindows::socketFolder(QFile::encodeName(runtime), "../hypr/" + signature),
                 QString());
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
        qputenv("HYPRLAND_INSTANCE_SIGNATURE", signature);

        constexpr qint32 kitty = 2101, firefox = 2102, nautilus = 2103, xterm = 2104;
        WaylandWindowSources sources = WaylandWindowSources::make();
        WindowList& list = *sources.windowList;
        RunningApps& running = *sources.runningApps;
        QVERIFY(list.unavailableReason().isEmpty());
        // Nothing follows the list frame by frame yet: only events bring news.
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(xterm));
        QVERIFY(byPid(running.apps(), nautilus));
        QCOMPARE(byPid(running.apps(), nautilus)->identifier, QStringLiteral("org.gnome.Nautilus"));
        QCOMPARE(byPid(running.apps(), nautilus)->name, QStringLiteral("Files"));
        QCOMPARE(byPid(running.apps(), xterm)->identifier, QStringLiteral("XTermProbe"));
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
        QVERIFY(!byPid(running.apps(), firefox));
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(nautilus));

        // Dragged: no event says so, but the list is read again while it is being followed.
        QCOMPARE(boundsOf(list, nautilus), QRectF(300, 200, 800, 600));
        QJsonObject moved = clients.at(1).toObject();
        moved[QStringLiteral("at")] = QJsonArray{640, 360};
        clients.replace(1, moved);
        hyprland.replies["j/clients"] = QJsonDocument(clients).toJson();
        QTRY_COMPARE(boundsOf(list, nautilus), QRectF(640, 360, 800, 600));
        // Every request had a short connection of its own, one after the other.
        QCOMPARE(hyprland.mostOpen, 1);

        // Hyprland goes away: no windows, and a reason.
        hyprland.dropListeners();
        QTRY_VERIFY(!list.unavailableReason().isEmpty());
        QVERIFY(list.windows().value().isEmpty());
    }

    // Where an X11 client is, from ConfigureNotify alone.
    void x11ConfigureEvents_data()
    {
        QTest::addColumn<bool>("framed");
        QTest::addColumn<bool>("frameOnRoot");
        QTest::addColumn<Source>("source");
        QTest::addColumn<QRect>("event"); // x, y of the outer corner; inner size
        QTest::addColumn<int>("border");
        QTest::addColumn<QRect>("expected"); // the client's inner area on the root; null: ask

        // Read first: the client sits at 4, 22 inside a frame whose inside starts at 100, 50.
        QTest::newRow("frame moved") << true << true << Source::Frame << QRect(299, 199, 208, 176)
                                     << 1 << QRect(304, 222, 200, 150);
        QTest::newRow("frame nested in another window: ask")
            << true << false << Source::Frame << QRect(300, 200, 208, 176) << 0 << QRect();
        QTest::newRow("client moved within its frame")
            << true << true << Source::Client << QRect(0, 30, 200, 150) << 0
            << QRect(100, 80, 200, 150);
        QTest::newRow("synthetic event counts the border as outside")
            << true << true << Source::Synthetic << QRect(499, 399, 200, 150) << 1
            << QRect(500, 400, 200, 150);
    }

    void x11ConfigureEvents()
    {
        QFETCH(bool, framed);
        QFETCH(bool, frameOnRoot);
        QFETCH(Source, source);
        QFETCH(QRect, event);
        QFETCH(int, border);
        QFETCH(QRect, expected);

        const QPoint inFrame = framed ? QPoint(4, 22) : QPoint(0, 0);
        ClientPlacement placement =
            ClientPlacement::read(framed, frameOnRoot, {inFrame.x(), inFrame.y(), 200, 150, 0},
                                  QPoint(100, 50) + inFrame);
        const ConfigureGeometry geometry{event.x(), event.y(), event.width(), event.height(),
                                         border};
        bool placed = true;
        if (source == Source::Frame)
            placed = placement.frameConfigured(geometry);
        else
            placement.clientConfigured(geometry, source == Source::Synthetic);
        QCOMPARE(placed, !expected.isNull());
        if (placed)
            QCOMPARE(placement.rect, expected);
        // After the window manager's own word, the frame's next move starts from there.
        if (source != Source::Synthetic || !frameOnRoot)
            return;
        placement.frameConfigured({700, 500, 208, 176, 0});
        QCOMPARE(placement.rect, QRect(704, 522, 200, 150));
    }

    // Any client can write anything into its icon property: what does not add up is dropped.
    void x11Icons_data()
    {
        QTest::addColumn<QList<quint32>>("data");
        QTest::addColumn<QList<QSize>>("expected");
        const quint32 red = 0x80ff0000;
        QTest::newRow("two sizes")
            << QList<quint32>{2, 1, red, red, 1, 1, red} << QList<QSize>{QSize(2, 1), QSize(1, 1)};
        QTest::newRow("cut short: the ones before")
            << QList<quint32>{1, 1, red, 4, 4, red, red} << QList<QSize>{QSize(1, 1)};
        QTest::newRow("zero width") << QList<quint32>{0, 5, red} << QList<QSize>{};
        QTest::newRow("product beyond 32 bits")
            << QList<quint32>{0xffffffff, 0xffffffff, red} << QList<QSize>{};
    }

    void x11Icons()
    {
        QFETCH(QList<quint32>, data);
        QFETCH(QList<QSize>, expected);
        QList<QSize> sizes;
        for (const QImage& image : NetWmIcon::images(data)) {
            sizes.append(image.size());
            QCOMPARE(image.pixel(0, 0), data[2]);
        }
        QCOMPARE(sizes, expected);
    }

    // Which Wayland output shows a screen.
    void matchesOutput_data()
    {
        QTest::addColumn<QList<OutputIdentity>>("outputs");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qsizetype>("expected");

        const OutputIdentity left{QStringLiteral("DP-1"), QRect(0, 0, 1920, 1080)};
        const OutputIdentity right{QStringLiteral("DP-2"), QRect(1920, 0, 1280, 1024)};
        const QList<OutputIdentity> both{left, right};
        QTest::newRow("name decides over a stale place")
            << both << QStringLiteral("DP-1") << right.geometry << qsizetype(0);
        QTest::newRow("unnamed screen by place")
            << both << QString() << right.geometry << qsizetype(1);
        QTest::newRow("unnamed outputs by place")
            << QList<OutputIdentity>{{QString(), left.geometry}, {QString(), right.geometry}}
            << QStringLiteral("DP-2") << right.geometry << qsizetype(1);
        QTest::newRow("another output's name, same place: not that one")
            << QList<OutputIdentity>{right} << QStringLiteral("HDMI-1") << right.geometry
            << qsizetype(-1);
        QTest::newRow("mirrored, unnamed: no guess")
            << QList<OutputIdentity>{{QString(), left.geometry}, {QString(), left.geometry}}
            << QString() << left.geometry << qsizetype(-1);
        QTest::newRow("the only output, not described yet")
            << QList<OutputIdentity>{{}} << QStringLiteral("DP-1") << left.geometry << qsizetype(0);
    }

    void matchesOutput()
    {
        QFETCH(QList<OutputIdentity>, outputs);
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(qsizetype, expected);
        QCOMPARE(matchOutput(outputs, name, geometry), expected);
    }

    // Which buffer pixels a change touches at a scale.
    void repaintCoversEveryTouchedPixel_data()
    {
        QTest::addColumn<QRect>("logical");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QSize>("buffer");
        QTest::addColumn<QRect>("device");

        QTest::newRow("scale 2") << QRect(10, 20, 30, 40) << 2.0 << QSize(200, 200)
                                 << QRect(20, 40, 60, 80);
        QTest::newRow("scale 1.5 rounds outwards")
            << QRect(1, 1, 1, 1) << 1.5 << QSize(150, 150) << QRect(1, 1, 2, 2);
        QTest::newRow("scale 1.25, whole surface")
            << QRect(0, 0, 1366, 768) << 1.25 << QSize(1708, 960) << QRect(0, 0, 1708, 960);
        QTest::newRow("cut to the buffer")
            << QRect(-5, 90, 20, 20) << 1.0 << QSize(100, 100) << QRect(0, 90, 15, 10);
    }

    void repaintCoversEveryTouchedPixel()
    {
        QFETCH(QRect, logical);
        QFETCH(double, scale);
        QFETCH(QSize, buffer);
        QFETCH(QRect, device);
        const QRegion touched = BufferGeometry::deviceRegion(logical, scale, buffer);
        QCOMPARE(touched, QRegion(device));
        // Painting the logical pixels that cover it paints each of those device pixels afresh.
        const QRegion painted = BufferGeometry::deviceRegion(
            BufferGeometry::logicalCover(touched, scale), scale, buffer);
        QVERIFY((touched - painted).isEmpty());
    }
};

QTEST_MAIN(TestCompositorWindows)
#include "tst_compositorwindows.moc"
