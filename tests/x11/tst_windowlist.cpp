#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowList.h"
#include "tests/x11/X11TestMain.h"

#include <QGuiApplication>
#include <QRegularExpression>

using namespace tavlin;

class TestWindowList : public QObject
{
    Q_OBJECT

private:
    X11Session& session() { return *X11Session::current(); }

    qint64 start(const QRect& place, double opacity = 1.0)
    {
        const qint64 pid = session().startWindow(place, Qt::darkCyan, opacity);
        if (pid)
            m_started.append(pid);
        return pid;
    }

    std::optional<WindowInfo> find(qint64 pid)
    {
        const QList<WindowInfo> windows = m_list->windows().value_or(QList<WindowInfo>());
        for (const WindowInfo& window : windows) {
            if (window.pid == pid)
                return window;
        }
        return std::nullopt;
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

    std::unique_ptr<X11WindowList> m_list;
    QList<qint64> m_started;

private Q_SLOTS:
    void initTestCase() { m_list = std::make_unique<X11WindowList>(X11Connection::create()); }

    void cleanup()
    {
        for (const qint64 pid : std::as_const(m_started))
            session().stopClient(pid);
        m_started.clear();
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
};

TAVLIN_X11_TEST_MAIN(TestWindowList, {.compositor = true})

#include "tst_windowlist.moc"
