// Other programs' windows and the running applications on a real X server, openbox and picom,
// as the X11 backend reads them.
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RunningApps.h"
#include "platform/x11/X11WindowList.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace tavlin;

namespace {

const QString painterClass = QStringLiteral("PainterWin");

} // namespace

class TestX11Windows : public QObject
{
    Q_OBJECT

private:
    qint64 start(const QRect& place, double opacity = 1.0, const TestWindowOptions& options = {})
    {
        const qint64 pid = session().startWindow(place, Qt::darkCyan, opacity, {}, options);
        if (pid)
            m_started.append(pid);
        return pid;
    }

    qint64 start(const TestWindowOptions& options, const QRect& place = {100, 100, 200, 150})
    {
        return start(place, 1.0, options);
    }

    void stop(qint64 pid)
    {
        m_started.removeAll(pid);
        session().stopClient(pid);
    }

    std::optional<WindowInfo> find(qint64 pid)
    {
        return ofProcess(m_list->windows().value_or(QList<WindowInfo>()), pid);
    }

    QList<qint64> order()
    {
        QList<qint64> pids;
        for (const WindowInfo& window : m_list->windows().value_or(QList<WindowInfo>())) {
            if (window.pid && m_started.contains(*window.pid))
                pids.append(*window.pid);
        }
        return pids;
    }

    // What xwininfo says of the window manager's frame around `client`, border included.
    QRect frameOf(quint32 client)
    {
        const auto field = [](const QByteArray& text, const char* name) {
            const QRegularExpression pattern(QLatin1StringView(name) +
                                             QStringLiteral(":\\s*(-?\\w+)"));
            return pattern.match(QString::fromLatin1(text)).captured(1);
        };
        QByteArray tree;
        if (!session().run(
                QStringLiteral("xwininfo"),
                {QStringLiteral("-tree"), QStringLiteral("-id"), QString::number(client)}, 10000,
                &tree))
            return {};
        const QString frame = field(tree, "Parent window id");
        QByteArray info;
        if (!session().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), frame}, 10000,
                           &info))
            return {};
        const int border = field(info, "Border width").toInt();
        return QRect(field(info, "Absolute upper-left X").toInt(),
                     field(info, "Absolute upper-left Y").toInt(), field(info, "Width").toInt(),
                     field(info, "Height").toInt())
            .adjusted(-border, -border, border, border);
    }

    // Asks the window manager for a title bar and waits until it has drawn one.
    bool decorate(quint32 client)
    {
        return session().run(QStringLiteral("xprop"),
                             {QStringLiteral("-id"), QString::number(client), QStringLiteral("-f"),
                              QStringLiteral("_MOTIF_WM_HINTS"), QStringLiteral("32c"),
                              QStringLiteral("-set"), QStringLiteral("_MOTIF_WM_HINTS"),
                              QStringLiteral("2,0,1,0,0")}) &&
               X11Session::waitFor([&] {
                   const QList<quint32> extents =
                       session().probe().windows(client, "_NET_FRAME_EXTENTS");
                   return extents.size() == 4 && extents[2] > 0;
               });
    }

    // The entries of the processes this test started, in the list's order.
    QList<RunningApp> started(const RunningApps& apps)
    {
        QList<RunningApp> found;
        for (const RunningApp& app : apps.apps()) {
            if (m_started.contains(app.pid))
                found.append(app);
        }
        return found;
    }

    bool listed(qint64 pid)
    {
        const QList<RunningApp> apps = m_apps->apps();
        return std::any_of(apps.cbegin(), apps.cend(),
                           [pid](const RunningApp& app) { return app.pid == pid; });
    }

    std::shared_ptr<X11Connection> m_connection;
    std::unique_ptr<X11WindowList> m_list;
    std::unique_ptr<X11RunningApps> m_apps;
    QList<qint64> m_started;
    int m_listChanges = 0; // how often the application saw the client list change

private Q_SLOTS:
    void initTestCase()
    {
        m_list = std::make_unique<X11WindowList>(X11Connection::create());
        // One installed application, whose file names its window class; nothing of this
        // machine's own applications.
        const QString applications =
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
        const QString iconFile = session().scratchPath() + QStringLiteral("/painter.png");
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save(iconFile));
        QVERIFY(QDir().mkpath(applications));
        QFile entry(applications + QStringLiteral("/org.example.Painter.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Painter\nStartupWMClass=" +
                    painterClass.toUtf8() + "\nIcon=" + QFile::encodeName(iconFile) + '\n');
        entry.close();
        qputenv("XDG_DATA_DIRS",
                QFile::encodeName(session().scratchPath() + QStringLiteral("/share")));

        m_connection = X11Connection::create();
        m_apps = std::make_unique<X11RunningApps>(m_connection);
        m_connection->listen(this, [this](const xcb_generic_event_t& event) {
            if ((event.response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<const xcb_property_notify_event_t&>(event).atom ==
                    m_connection->atom(X11Connection::NetClientList))
                ++m_listChanges;
        });
    }

    void cleanup()
    {
        while (!m_started.isEmpty())
            stop(m_started.last());
        QVERIFY(session().switchDesktop(0));
    }

    void frontMostComesFirst_data()
    {
        QTest::addColumn<bool>("raiseFirst");
        QTest::newRow("last started on top") << false;
        QTest::newRow("first raised") << true;
    }

    void frontMostComesFirst()
    {
        QFETCH(bool, raiseFirst);
        const qint64 first = start(QRect(100, 100, 300, 300));
        const qint64 second = start(QRect(200, 200, 300, 300));
        QVERIFY(first && second);
        if (raiseFirst)
            QVERIFY(session().run(
                QStringLiteral("xdotool"),
                {QStringLiteral("windowraise"), QString::number(session().windowOf(first))}));
        const QList<qint64> expected =
            raiseFirst ? QList<qint64>{first, second} : QList<qint64>{second, first};
        QVERIFY(X11Session::waitFor([&] { return order() == expected; }));
    }

    void ordinaryOnlyWhenShownHere_data()
    {
        QTest::addColumn<QStringList>("command"); // %1 is the window
        QTest::addColumn<bool>("ordinary");
        QTest::newRow("shown") << QStringList{} << true;
        QTest::newRow("minimised")
            << QStringList{QStringLiteral("windowminimize"), QStringLiteral("%1")} << false;
        QTest::newRow("on another desktop")
            << QStringList{QStringLiteral("set_desktop_for_window"), QStringLiteral("%1"),
                           QStringLiteral("1")}
            << false;
    }

    void ordinaryOnlyWhenShownHere()
    {
        QFETCH(QStringList, command);
        QFETCH(bool, ordinary);
        const qint64 pid = start(QRect(300, 300, 200, 200));
        QVERIFY(pid);
        QVERIFY(X11Session::waitFor([&] { return find(pid) && find(pid)->ordinary; }));
        if (!command.isEmpty()) {
            command.replaceInStrings(QStringLiteral("%1"),
                                     QString::number(session().windowOf(pid)));
            QVERIFY(session().run(QStringLiteral("xdotool"), command));
        }
        X11Session::waitFor([&] { return find(pid) && find(pid)->ordinary == ordinary; }, 2000);
        QCOMPARE(find(pid).value().ordinary, ordinary);
    }

    void opacityIsRead_data()
    {
        QTest::addColumn<double>("opacity");
        QTest::addColumn<std::optional<double>>("expected");
        QTest::newRow("none set") << 1.0 << std::optional<double>();
        QTest::newRow("half") << 0.5 << std::optional<double>(0.5);
    }

    void opacityIsRead()
    {
        QFETCH(double, opacity);
        QFETCH(std::optional<double>, expected);
        const qint64 pid = start(QRect(150, 150, 200, 200), opacity);
        QVERIFY(pid);
        QVERIFY(X11Session::waitFor([&] { return find(pid).has_value(); }));
        const std::optional<double> read = find(pid)->opacity;
        QCOMPARE(read.has_value(), expected.has_value());
        if (expected)
            QVERIFY(qAbs(*read - *expected) < 0.01);
    }

    void boundsFollowTheFrameWithoutRoundTrips_data()
    {
        QTest::addColumn<bool>("decorated");
        QTest::addColumn<QStringList>("command"); // xdotool, %1 is the window
        QTest::addColumn<QRect>("expected");      // the client's own area afterwards
        const QStringList move{QStringLiteral("windowmove"), QStringLiteral("%1"),
                               QStringLiteral("600"), QStringLiteral("400")};
        const QStringList resize{QStringLiteral("windowsize"), QStringLiteral("%1"),
                                 QStringLiteral("260"), QStringLiteral("190")};
        QTest::newRow("moved") << false << move << QRect(600, 400, 200, 150);
        QTest::newRow("resized") << false << resize << QRect(100, 100, 260, 190);
        QTest::newRow("decorated, moved") << true << move << QRect(600, 400, 200, 150);
        QTest::newRow("decorated, resized") << true << resize << QRect(100, 100, 260, 190);
    }

    void boundsFollowTheFrameWithoutRoundTrips()
    {
        QFETCH(bool, decorated);
        QFETCH(QStringList, command);
        QFETCH(QRect, expected);
        const qint64 pid = start(QRect(100, 100, 200, 150));
        QVERIFY(pid);
        const quint32 client = session().windowOf(pid);
        if (decorated)
            QVERIFY(decorate(client));
        QRect frame;
        QVERIFY(X11Session::waitFor([&] {
            frame = frameOf(client);
            return find(pid) && find(pid)->bounds == QRectF(frame);
        }));
        QCOMPARE(frame.size() != QSize(200, 150), decorated); // the frame, decorations included
        // Settled once the window manager has focused it and we have seen all it did up to
        // then: from there on, asking again costs nothing.
        QVERIFY(X11Session::waitFor([&] {
            return session().probe().windows(session().probe().root(), "_NET_ACTIVE_WINDOW") ==
                   QList<quint32>{client};
        }));
        QGuiApplication::sync();
        QCoreApplication::processEvents();
        QVERIFY(X11Session::waitFor([&] {
            const quint64 before = m_list->roundTrips();
            m_list->windows();
            return m_list->roundTrips() == before;
        }));
        const quint64 before = m_list->roundTrips();
        command.replaceInStrings(QStringLiteral("%1"), QString::number(client));
        QVERIFY(session().run(QStringLiteral("xdotool"), command));
        QVERIFY(X11Session::waitFor([&] {
            frame = frameOf(client);
            return frame.contains(expected) && find(pid)->bounds == QRectF(frame);
        }));
        QCOMPARE(m_list->roundTrips(), before);
    }

    void processesWithOrdinaryWindows()
    {
        const qint64 painter = start(
            {.instance = QStringLiteral("painter"), .windowClass = painterClass, .windows = 2});
        const qint64 sketch = start({.windowClass = QStringLiteral("Sketch"), .icon = true});
        QVERIFY2(painter && sketch, qPrintable(session().errorString()));
        QVERIFY(X11Session::waitFor([&] { return started(*m_apps).size() >= 2; }));

        // A fresh instance reads at once what the first one followed by events.
        const X11RunningApps fresh(X11Connection::create());
        for (const RunningApps* apps :
             std::initializer_list<const RunningApps*>{m_apps.get(), &fresh}) {
            const QList<RunningApp> found = started(*apps);
            QCOMPARE(found.size(), 2); // the painter's two windows are one application
            QCOMPARE(found[0].pid, painter);
            QCOMPARE(found[0].identifier, QStringLiteral("org.example.Painter"));
            QCOMPARE(found[0].name, QStringLiteral("Painter"));
            QVERIFY(!found[0].icon.isNull());
            QCOMPARE(found[1].pid, sketch);
            QCOMPARE(found[1].identifier, QStringLiteral("Sketch"));
            QCOMPARE(found[1].name, QStringLiteral("Sketch"));
            QVERIFY(!found[1].icon.isNull());
        }
    }

    void otherKindsOfWindowAreNoApps_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("dock") << QStringLiteral("DOCK");
        QTest::newRow("dialog") << QStringLiteral("DIALOG");
        QTest::newRow("splash") << QStringLiteral("SPLASH");
    }

    void otherKindsOfWindowAreNoApps()
    {
        QFETCH(QString, type);
        const qint64 other = start({.type = type});
        const qint64 ordinary = start({}, {400, 100, 200, 150});
        QVERIFY2(other && ordinary, qPrintable(session().errorString()));
        // Listed after the other window, so read after it.
        QVERIFY(X11Session::waitFor([&] { return listed(ordinary); }));
        QVERIFY(!listed(other));
    }

    void changedOnlyWhenAnAppCloses()
    {
        const qint64 painter = start({.windowClass = painterClass, .windows = 2});
        const qint64 sketch = start({.windowClass = QStringLiteral("Sketch")});
        QVERIFY2(painter && sketch, qPrintable(session().errorString()));
        QVERIFY(X11Session::waitFor([&] { return listed(painter) && listed(sketch); }));
        QSignalSpy changed(m_apps.get(), &RunningApps::changed);

        // One of the painter's two windows closes: it still runs, nothing to tell.
        const int seen = m_listChanges;
        QVERIFY(session().run(
            QStringLiteral("xdotool"),
            {QStringLiteral("windowclose"), QString::number(session().windowOf(painter))}));
        QVERIFY(X11Session::waitFor([&] { return m_listChanges > seen; }));
        QCoreApplication::sendPostedEvents(); // the refresh that change asked for
        QCOMPARE(changed.count(), 0);
        QVERIFY(listed(painter));
        // Its last window closes: gone, told once.
        stop(sketch);
        QVERIFY(X11Session::waitFor([&] { return !listed(sketch); }));
        QCOMPARE(changed.count(), 1);
    }
};

TAVLIN_X11_TEST_MAIN(TestX11Windows, {.compositor = true})

#include "tst_x11windows.moc"
