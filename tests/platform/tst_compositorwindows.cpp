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

QJsonDocument recordedJson(const QString& name)
{
    return QJsonDocument::fromJson(recorded(name));
}

// One line per window, front-most first: "app id, pid: x,y wxh", then whichever of
// "ordinary", "focused" and "regular" it is. "no list" when there is none.
QByteArrayList summary(const std::optional<QList<CompositorWindow>>& windows)
{
    if (!windows)
        return {"no list"};
    QByteArrayList lines;
    for (const CompositorWindow& window : *windows) {
        const QRectF& r = window.info.bounds;
        QByteArray line = window.appId.toUtf8() + ", " +
                          QByteArray::number(window.info.pid.value_or(0)) + ": " +
                          QByteArray::number(r.x()) + ',' + QByteArray::number(r.y()) + ' ' +
                          QByteArray::number(r.width()) + 'x' + QByteArray::number(r.height());
        for (const auto& [flag, word] :
             {std::pair(window.info.ordinary, " ordinary"), std::pair(window.focused, " focused"),
              std::pair(window.regular, " regular")}) {
            if (flag)
                line += word;
        }
        lines << line;
    }
    return lines;
}

enum class Source { Client, Synthetic, Frame };

// Hyprland is not packaged for Debian 12: its two sockets, answering as it does. Each request
// connection gets one reply and is closed by the server; events go to every listener.
class FakeHyprland : public QObject
{
public:
    QHash<QByteArray, QByteArray> replies;

    bool listen(const QString& folder)
    {
        connect(&m_requests, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_requests.nextPendingConnection()) {
                connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                    socket->write(replies.value(socket->readAll(), "unknown request"));
                    socket->disconnectFromServer();
                });
            }
        });
        return m_requests.listen(folder + QStringLiteral("/.socket.sock")) &&
               m_events.listen(folder + QStringLiteral("/.socket2.sock"));
    }

    // Accepted connections are the server's children until they go.
    QList<QLocalSocket*> listeners() const { return m_events.findChildren<QLocalSocket*>(); }

private:
    QLocalServer m_requests;
    QLocalServer m_events;
};

const RunningApp* appOf(const QList<RunningApp>& apps, qint32 pid)
{
    const auto found = std::find_if(apps.cbegin(), apps.cend(),
                                    [pid](const RunningApp& app) { return app.pid == pid; });
    return found == apps.cend() ? nullptr : &*found;
}

QRectF boundsOf(WindowList& list, qint32 pid)
{
    for (const WindowInfo& window : list.windows().value_or(QList<WindowInfo>{})) {
        if (window.pid == pid)
            return window.bounds;
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Source)

class TestCompositorWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    // What each compositor's window list makes of its reply, recorded or odd.
    void windowList_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("reply"); // the window list; Hyprland's monitors are recorded
        QTest::addColumn<QByteArrayList>("expected");

        // Recorded from sway 1.7: HEADLESS-1 (1280x720) showing workspace 1, HEADLESS-2 right of
        // it at scale 2 (640x360 logical) showing workspace 2, workspace 3 hidden, one window in
        // the scratchpad; workspace 1 holds a tabbed container and two floating windows. A tab
        // has no title bar of its own: the shared tab bar stays out of its bounds.
        QTest::newRow("sway") << "sway" << recorded(QStringLiteral("sway-tree.json"))
                              << QByteArrayList{
                                     "term2, 28522: 100,80 400x300 ordinary focused regular",
                                     "XTermProbe, 28543: 300,200 500x300 ordinary regular",
                                     "term5, 28504: 0,25 1280x695 ordinary regular", // shown tab
                                     "term4, 28482: 0,25 1280x695 regular", // hidden tabs, by focus
                                     "term1, 28455: 0,25 1280x695 regular",
                                     "term6, 28569: 1280,0 640x360 ordinary regular", // fullscreen
                                     "term7, 28590: 1600,0 320x360 regular",
                                     "term8, 28611: 0,0 1280x720 regular",   // hidden workspace
                                     "term9, 28626: 318,76 644x567 regular", // scratchpad
                                 };
        // The same after switching to workspace 3, which holds a stack of three: their titles
        // are above them.
        QTest::newRow("sway, stacked")
            << "sway" << recorded(QStringLiteral("sway-tree-stacked.json"))
            << QByteArrayList{"term11, 29105: 0,75 1280x645 ordinary focused regular",
                              "term10, 29083: 0,75 1280x645 regular",
                              "term8, 28611: 0,75 1280x645 regular",
                              "term6, 28569: 1280,0 640x360 ordinary regular",
                              "term7, 28590: 1600,0 320x360 regular",
                              "term2, 28522: 100,80 400x300 regular",
                              "XTermProbe, 28543: 300,200 500x300 regular",
                              "term5, 28504: 0,25 1280x695 regular",
                              "term4, 28482: 0,25 1280x695 regular",
                              "term1, 28455: 0,25 1280x695 regular",
                              "term9, 28626: 318,76 644x567 regular"};
        // Written from Hyprland's documented reply format: DP-1 (1920x1080 at 0,0) showing
        // workspace 1, DP-2 (3840x2160 at scale 2, at 1920,0) showing workspace 2 with a
        // fullscreen player and the special workspace "scratch" open.
        QTest::newRow("hyprland")
            << "hyprland" << recorded(QStringLiteral("hyprland-clients.json"))
            << QByteArrayList{"mpv, 2105: 1920,0 1920x1080 ordinary regular",
                              "pavucontrol, 2108: 2200,200 600x400 ordinary regular", // special
                              "XTermProbe, 2104: 500,400 484x316 ordinary focused regular",
                              "org.gnome.Nautilus, 2103: 300,200 800x600 ordinary regular",
                              "kitty, 2107: 10,10 940x1060 regular", // inactive group member
                              "org.kde.dolphin, 2106: 1930,10 1900x1060 regular", // behind mpv
                              "kitty, 2101: 10,10 1900x1060 regular", // workspace not shown
                              "firefox-esr, 2102: 970,10 940x1060 ordinary regular",
                              "kitty, 2101: 10,10 940x1060 ordinary regular"};
        // As our script reports it: a window on another desktop at the top of KWin's stack, an
        // active Wayland window, an X11 window with its dialog, a minimised window, one of our
        // layer surfaces (no window) and plasmashell's desktop view at the bottom.
        QTest::newRow("kwin")
            << "kwin" << recorded(QStringLiteral("kwin-report.json"))
            << QByteArrayList{
                   "org.kde.kate, 1802: 300,200 400x300 regular",
                   "firefox-esr, 1501: 1100.5,40 640x480 ordinary focused regular",
                   "XTerm, 1620: 150,150 300x120 ordinary",
                   "XTerm, 1620: 100,100 484x264 ordinary regular",
                   "org.kde.dolphin, 1733: 200,300 500x400 regular",
                   "org.kde.plasmashell, 812: 0,0 1024x768",
               };

        // Replies no compositor should send.
        const QByteArrayList none{"no list"};
        QTest::newRow("kwin: not JSON") << "kwin" << QByteArray("[{") << none;
        QTest::newRow("kwin: an object, not a list") << "kwin" << QByteArray(R"({"x":1})") << none;
        QTest::newRow("kwin: wrong types everywhere")
            << "kwin" << QByteArray(R"([1,"x",{"x":"a","pid":"7","width":-5,"normal":"yes"}])")
            << QByteArrayList{", 0: 0,0 0x0"};
        QTest::newRow("sway: wrong types everywhere")
            << "sway" << QByteArray(R"({"nodes":{"a":1},"focus":"x","floating_nodes":7})")
            << QByteArrayList{};
        QTest::newRow("sway: process id that is no process id")
            << "sway"
            << QByteArray(R"({"nodes":[{"name":"o","current_workspace":"1","nodes":[{"name":"1",)"
                          R"("nodes":[{"pid":-5,"app_id":"a","rect":{}}]}]}]})")
            << QByteArrayList{"a, 0: 0,0 0x0 ordinary"};
        QTest::newRow("hyprland: wrong types everywhere")
            << "hyprland" << QByteArray(R"([1,"x",{"at":"x","size":null}])") << QByteArrayList{};
        QTest::newRow("hyprland: process id that is no process id")
            << "hyprland" << QByteArray(R"([{"address":"0x1","pid":99999999999,"class":"a"}])")
            << QByteArrayList{"a, 0: 0,0 0x0"};
    }

    void windowList()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, reply);
        QFETCH(QByteArrayList, expected);
        const QJsonDocument document = QJsonDocument::fromJson(reply);
        const QByteArrayList found =
            summary(source == QLatin1String("kwin") ? KwinReport::windows(reply)
                    : source == QLatin1String("sway")
                        ? SwayTree::windows(document.object())
                        : HyprlandClients::windows(
                              document.array(),
                              recordedJson(QStringLiteral("hyprland-monitors.json")).array(),
                              recordedJson(QStringLiteral("hyprland-activewindow.json")).object()));
        QCOMPARE(found, expected);
    }

    void swayFraming_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("payloads"); // then "broken" for no sway stream

        const QByteArray tree = SwayIpcFraming::encode(4, R"({"id":1})");
        const QByteArray event = SwayIpcFraming::encode(SwayIpcFraming::eventBit | 3, "{}");
        QTest::newRow("two messages in one read")
            << tree + event << QList<QByteArray>{R"({"id":1})", "{}"};
        QTest::newRow("second one not complete yet")
            << tree + event.left(event.size() - 1) << QList<QByteArray>{R"({"id":1})"};
        QTest::newRow("header cut short") << tree.left(9) << QList<QByteArray>{};
        QTest::newRow("not the protocol")
            << QByteArray("HTTP/1.1 200 OK\r\n") << QList<QByteArray>{"broken"};
        QByteArray huge = tree;
        huge[6] = huge[7] = huge[8] = huge[9] = char(0xff);
        QTest::newRow("impossible length") << huge << QList<QByteArray>{"broken"};
    }

    void swayFraming()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, payloads);
        QList<QByteArray> found;
        SwayIpcFraming::Message message;
        SwayIpcFraming::Status status;
        while ((status = SwayIpcFraming::take(stream, message)) == SwayIpcFraming::Status::Complete)
            found.append(message.payload);
        if (status == SwayIpcFraming::Status::Broken)
            found.append("broken");
        QCOMPARE(found, payloads);
    }

    // The whole way from Hyprland's sockets to the window list and the running applications.
    void followsHyprland()
    {
        const QByteArray runtime = QFile::encodeName(m_home.path());
        const QByteArray signature = "test_1700000000_12345";
        const QString folder =
            m_home.filePath(QStringLiteral("hypr/") + QString::fromLatin1(signature));
        QVERIFY(QDir().mkpath(folder));
        FakeHyprland hyprland;
        hyprland.replies = {
            {"j/clients", recorded(QStringLiteral("hyprland-clients.json"))},
            {"j/monitors", recorded(QStringLiteral("hyprland-monitors.json"))},
            {"j/activewindow", recorded(QStringLiteral("hyprland-activewindow.json"))}};
        QVERIFY(hyprland.listen(folder));
        QCOMPARE(HyprlandWindows::socketFolder(runtime, signature), folder);
        // A signature names a folder, and nothing that climbs out of it.
        QCOMPARE(HyprlandWindows::socketFolder(runtime, "../hypr/" + signature), QString());

        constexpr qint32 kitty = 2101, firefox = 2102, nautilus = 2103, xterm = 2104;
        WaylandWindowSources sources =
            WaylandWindowSources::make(HyprlandWindows::connectTo(folder));
        WindowList& list = *sources.windowList;
        RunningApps& running = *sources.runningApps;
        QVERIFY(list.unavailableReason().isEmpty());
        // Nothing follows the list frame by frame yet: only events bring news.
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(xterm));
        // One entry for the two windows of one process.
        QCOMPARE(std::count_if(running.apps().cbegin(), running.apps().cend(),
                               [](const RunningApp& app) { return app.pid == kitty; }),
                 1);

        // Firefox closes and the file manager gets the focus: told by events.
        QJsonArray clients = QJsonDocument::fromJson(hyprland.replies["j/clients"]).array();
        clients.removeAt(1);
        hyprland.replies["j/clients"] = QJsonDocument(clients).toJson();
        hyprland.replies["j/activewindow"] = QJsonDocument(clients.at(1).toObject()).toJson();
        QSignalSpy appsChanged(&running, &RunningApps::changed);
        for (QLocalSocket* listener : hyprland.listeners())
            listener->write("closewindow>>5581a7e0\nactivewindow>>org.gnome.Nautilus,Home\n"
                            "activewindowv2>>5581b130\n");
        QVERIFY(appsChanged.wait());
        QVERIFY(!appOf(running.apps(), firefox));
        QTRY_COMPARE(running.frontmostPid(), std::optional<qint32>(nautilus));

        // Dragged: no event says so, but the list is read again while it is being followed.
        QCOMPARE(boundsOf(list, nautilus), QRectF(300, 200, 800, 600));
        QJsonObject moved = clients.at(1).toObject();
        moved[QStringLiteral("at")] = QJsonArray{640, 360};
        clients.replace(1, moved);
        hyprland.replies["j/clients"] = QJsonDocument(clients).toJson();
        QTRY_COMPARE(boundsOf(list, nautilus), QRectF(640, 360, 800, 600));

        // Hyprland goes away: no windows, and a reason.
        for (QLocalSocket* listener : hyprland.listeners())
            listener->disconnectFromServer();
        QTRY_VERIFY(!list.unavailableReason().isEmpty());
        QVERIFY(list.windows().value().isEmpty());
    }

    // Where an X11 client is, from ConfigureNotify alone. Read first: the client sits at 4, 22
    // inside a frame whose inside starts at 100, 50.
    void x11ConfigureEvents_data()
    {
        QTest::addColumn<bool>("frameOnRoot");
        QTest::addColumn<Source>("source");
        QTest::addColumn<QRect>("event"); // x, y of the outer corner; inner size
        QTest::addColumn<int>("border");
        QTest::addColumn<QRect>("expected"); // the client's inner area on the root; null: ask

        QTest::newRow("frame moved")
            << true << Source::Frame << QRect(299, 199, 208, 176) << 1 << QRect(304, 222, 200, 150);
        QTest::newRow("frame nested in another window: ask")
            << false << Source::Frame << QRect(300, 200, 208, 176) << 0 << QRect();
        QTest::newRow("client moved within its frame")
            << true << Source::Client << QRect(0, 30, 200, 150) << 0 << QRect(100, 80, 200, 150);
        QTest::newRow("synthetic event counts the border as outside")
            << true << Source::Synthetic << QRect(499, 399, 200, 150) << 1
            << QRect(500, 400, 200, 150);
    }

    void x11ConfigureEvents()
    {
        QFETCH(bool, frameOnRoot);
        QFETCH(Source, source);
        QFETCH(QRect, event);
        QFETCH(int, border);
        QFETCH(QRect, expected);

        ClientPlacement placement =
            ClientPlacement::read(true, frameOnRoot, {4, 22, 200, 150, 0}, QPoint(104, 72));
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
        if (source != Source::Synthetic)
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
