#include "platform/wayland/BufferGeometry.h"
#include "platform/wayland/OutputMatch.h"
#include "platform/wayland/hyprland/HyprlandClients.h"
#include "platform/wayland/kwin/KwinReport.h"
#include "platform/wayland/sway/SwayIpcFraming.h"
#include "platform/wayland/sway/SwayTree.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace tavlin;

namespace {

QJsonDocument recorded(const QString& name)
{
    QFile file(QStringLiteral(TAVLIN_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return QJsonDocument::fromJson(file.readAll());
}

QList<CompositorWindow> hyprlandWindows()
{
    return HyprlandClients::windows(
        recorded(QStringLiteral("hyprland-clients.json")).array(),
        recorded(QStringLiteral("hyprland-monitors.json")).array(),
        recorded(QStringLiteral("hyprland-activewindow.json")).object());
}

// Finds a window by app id and pid (one process may own several windows of one app id).
qsizetype indexOf(const QList<CompositorWindow>& windows, const QString& appId, qint32 pid)
{
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (windows[i].appId == appId && (pid == 0 || windows[i].info.pid == pid))
            return i;
    }
    return -1;
}

constexpr qsizetype notListed = -2;

QList<CompositorWindow> kwinWindows()
{
    QFile file(QStringLiteral(TAVLIN_TEST_DATA "/kwin-report.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data kwin-report.json");
    return KwinReport::windows(file.readAll()).value_or(QList<CompositorWindow>{});
}

} // namespace

class TestCompositorWindows : public QObject
{
    Q_OBJECT

private:
    void windowColumns()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("appId");
        QTest::addColumn<qint32>("pid"); // 0: the app id is enough
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<bool>("ordinary");
        QTest::addColumn<bool>("focused");
    }

    void checkWindow(const QList<CompositorWindow>& windows)
    {
        QFETCH(QString, appId);
        QFETCH(qint32, pid);
        QFETCH(qsizetype, position);
        QFETCH(QRectF, bounds);
        QFETCH(bool, ordinary);
        QFETCH(bool, focused);
        const qsizetype index = indexOf(windows, appId, pid);
        if (position == notListed) {
            QCOMPARE(index, -1);
            return;
        }
        QVERIFY(index >= 0);
        const CompositorWindow& window = windows[index];
        if (position >= 0)
            QCOMPARE(index, position);
        QCOMPARE(window.info.bounds, bounds);
        QCOMPARE(window.info.ordinary, ordinary);
        QCOMPARE(window.focused, focused);
    }

private Q_SLOTS:
    // Recorded from sway 1.7: HEADLESS-1 (1280x720) showing workspace 1, HEADLESS-2 right of
    // it at scale 2 (640x360 logical) showing workspace 2, workspace 3 hidden, one window in
    // the scratchpad. Workspace 1 holds a tabbed container and two floating windows.
    void swayTree_data()
    {
        windowColumns();
        const QString scene = QStringLiteral("sway-tree.json");
        const QString stacked = QStringLiteral("sway-tree-stacked.json");
        QTest::newRow("focused floating window on top, with its title bar")
            << scene << "term2" << 0 << qsizetype(0) << QRectF(100, 80, 400, 300) << true << true;
        QTest::newRow("X11 window known by its class, below the raised one")
            << scene << "XTermProbe" << 0 << qsizetype(1) << QRectF(300, 200, 500, 300) << true
            << false;
        QTest::newRow("shown tab after the floating windows, without the shared tab bar")
            << scene << "term5" << 0 << qsizetype(2) << QRectF(0, 25, 1280, 695) << true << false;
        QTest::newRow("hidden tab, in focus order")
            << scene << "term4" << 0 << qsizetype(3) << QRectF(0, 25, 1280, 695) << false << false;
        QTest::newRow("fullscreen on the scaled output, in logical coordinates")
            << scene << "term6" << 0 << qsizetype(5) << QRectF(1280, 0, 640, 360) << true << false;
        QTest::newRow("behind a fullscreen window")
            << scene << "term7" << 0 << qsizetype(6) << QRectF(1600, 0, 320, 360) << false << false;
        QTest::newRow("on a hidden workspace, listed after every shown one")
            << scene << "term8" << 0 << qsizetype(7) << QRectF(0, 0, 1280, 720) << false << false;
        QTest::newRow("in the scratchpad")
            << scene << "term9" << 0 << qsizetype(8) << QRectF(318, 76, 644, 567) << false << false;
        QTest::newRow("shown in a stack, without the stacked titles")
            << stacked << "term11" << 0 << qsizetype(0) << QRectF(0, 75, 1280, 645) << true << true;
    }

    void swayTree()
    {
        QFETCH(QString, source);
        checkWindow(SwayTree::windows(recorded(source).object()));
    }

    // Written from Hyprland's documented reply format: DP-1 (1920x1080 at 0,0) showing
    // workspace 1, DP-2 (3840x2160 at scale 2, so 1920x1080 logical, at 1920,0) showing
    // workspace 2 with a fullscreen player and the special workspace "scratch" open.
    void hyprland_data()
    {
        windowColumns();
        const QString none;
        QTest::newRow("fullscreen window first, on the scaled monitor as given")
            << none << "mpv" << 0 << qsizetype(0) << QRectF(1920, 0, 1920, 1080) << true << false;
        QTest::newRow("open special workspace, last raised floating window")
            << none << "pavucontrol" << 0 << qsizetype(1) << QRectF(2200, 200, 600, 400) << true
            << false;
        QTest::newRow("active X11 window below it") << none << "XTermProbe" << 0 << qsizetype(2)
                                                    << QRectF(500, 400, 484, 316) << true << true;
        QTest::newRow("floating window raised earlier")
            << none << "org.gnome.Nautilus" << 0 << qsizetype(3) << QRectF(300, 200, 800, 600)
            << true << false;
        QTest::newRow("inactive group member") << none << "kitty" << 2107 << qsizetype(4)
                                               << QRectF(10, 10, 940, 1060) << false << false;
        QTest::newRow("behind a fullscreen window")
            << none << "org.kde.dolphin" << 0 << qsizetype(5) << QRectF(1930, 10, 1900, 1060)
            << false << false;
        QTest::newRow("on a workspace no monitor shows")
            << none << "kitty" << 2101 << qsizetype(6) << QRectF(10, 10, 1900, 1060) << false
            << false;
        QTest::newRow("tiled window") << none << "firefox-esr" << 0 << qsizetype(7)
                                      << QRectF(970, 10, 940, 1060) << true << false;
    }

    void hyprland() { checkWindow(hyprlandWindows()); }

    // As our KWin script reports them: a window on another desktop at the top of KWin's stack,
    // an active Wayland window, an X11 window with its dialog, a minimised window, one of our
    // layer surfaces and plasmashell's desktop view at the bottom.
    void kwin_data()
    {
        windowColumns();
        const QString none;
        QTest::newRow("on another desktop: first as stacked, not ordinary")
            << none << "org.kde.kate" << 1802 << qsizetype(0) << QRectF(300, 200, 400, 300) << false
            << false;
        QTest::newRow("active window by its desktop-file name, fractional position")
            << none << "firefox-esr" << 1501 << qsizetype(1) << QRectF(1100.5, 40, 640, 480) << true
            << true;
        QTest::newRow("X11 dialog above its window, by the class")
            << none << "XTerm" << 1620 << qsizetype(2) << QRectF(150, 150, 300, 120) << true
            << false;
        QTest::newRow("minimised") << none << "org.kde.dolphin" << 1733 << qsizetype(4)
                                   << QRectF(200, 300, 500, 400) << false << false;
        QTest::newRow("desktop view, never ordinary")
            << none << "org.kde.plasmashell" << 812 << qsizetype(5) << QRectF(0, 0, 1024, 768)
            << false << false;
        QTest::newRow("a layer surface is no window")
            << none << "tavlin" << 4242 << notListed << QRectF() << false << false;
    }

    void kwin() { checkWindow(kwinWindows()); }

    void oddKwinReports_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("windows"); // -1: no report at all
        QTest::newRow("not JSON") << QByteArray("[{") << -1;
        QTest::newRow("an object, not a list") << QByteArray(R"({"x":1})") << -1;
        QTest::newRow("wrong types everywhere")
            << QByteArray(R"([1,"x",{"x":"a","pid":"7","width":-5,"normal":"yes"}])") << 1;
    }

    void oddKwinReports()
    {
        QFETCH(QByteArray, report);
        QFETCH(int, windows);
        const std::optional<QList<CompositorWindow>> found = KwinReport::windows(report);
        QCOMPARE(found.has_value(), windows >= 0);
        if (!found)
            return;
        QCOMPARE(found->size(), windows);
        for (const CompositorWindow& window : *found) {
            QVERIFY(!window.regular);
            QVERIFY(!window.info.ordinary);
            QVERIFY(!window.info.pid);
            QVERIFY(window.info.bounds.width() >= 0);
        }
    }

    // Replies no compositor should send, and what is made of them.
    void oddReplies_data()
    {
        QTest::addColumn<QByteArray>("sway");
        QTest::addColumn<QByteArray>("hyprlandClients");
        QTest::addColumn<int>("windows");

        QTest::newRow("wrong types everywhere")
            << QByteArray(R"({"nodes":{"a":1},"focus":"x","floating_nodes":7})")
            << QByteArray(R"([1,"x",{"at":"x","size":null}])") << 0;
        QTest::newRow("process id that is no process id")
            << QByteArray(R"({"nodes":[{"name":"o","current_workspace":"1","nodes":[{"name":"1",)"
                          R"("nodes":[{"pid":-5,"app_id":"a","rect":{}}]}]}]})")
            << QByteArray(R"([{"address":"0x1","pid":99999999999,"class":"a"}])") << 1;
    }

    void oddReplies()
    {
        QFETCH(QByteArray, sway);
        QFETCH(QByteArray, hyprlandClients);
        QFETCH(int, windows);
        for (const QList<CompositorWindow>& found :
             {SwayTree::windows(QJsonDocument::fromJson(sway).object()),
              HyprlandClients::windows(QJsonDocument::fromJson(hyprlandClients).array(), {}, {})}) {
            QCOMPARE(found.size(), windows);
            for (const CompositorWindow& window : found) {
                QVERIFY(!window.regular);
                QVERIFY(!window.info.pid);
            }
        }
    }

    void framing_data()
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

    void framing()
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

    // Which Wayland output shows a screen, and which buffer pixels a change touches at a scale.
    void matchesOutput_data()
    {
        QTest::addColumn<QList<OutputIdentity>>("outputs");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qsizetype>("expected");

        const OutputIdentity left{QStringLiteral("DP-1"), QRect(0, 0, 1920, 1080)};
        const OutputIdentity right{QStringLiteral("DP-2"), QRect(1920, 0, 1280, 1024)};
        const QList<OutputIdentity> both{left, right};
        QTest::newRow("by name") << both << QStringLiteral("DP-2") << QRect(1920, 0, 1280, 1024)
                                 << qsizetype(1);
        QTest::newRow("name decides over a stale place")
            << both << QStringLiteral("DP-1") << QRect(1920, 0, 1280, 1024) << qsizetype(0);
        QTest::newRow("unnamed screen by place")
            << both << QString() << QRect(1920, 0, 1280, 1024) << qsizetype(1);
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
        QTest::newRow("not announced yet") << QList<OutputIdentity>{left} << QStringLiteral("DP-2")
                                           << right.geometry << qsizetype(-1);
    }

    void matchesOutput()
    {
        QFETCH(QList<OutputIdentity>, outputs);
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(qsizetype, expected);
        QCOMPARE(matchOutput(outputs, name, geometry), expected);
    }

    void repaintCoversEveryTouchedPixel_data()
    {
        QTest::addColumn<QRect>("logical");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QSize>("buffer");
        QTest::addColumn<QRect>("device");

        QTest::newRow("scale 1") << QRect(10, 20, 30, 40) << 1.0 << QSize(100, 100)
                                 << QRect(10, 20, 30, 40);
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

QTEST_GUILESS_MAIN(TestCompositorWindows)
#include "tst_compositorwindows.moc"
