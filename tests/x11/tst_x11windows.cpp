// Other programs' windows and the running applications on a real X server, openbox and picom,
// as the X11 backend reads them.
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RunningApps.h"
#include "platform/x11/X11WindowList.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>

using namespace tavlin;

namespace {

const QString painterClass = QStringLiteral("PainterWin");

// The window manager's frame around `client`, from the extents it publishes.
QRect frameOf(quint32 client)
{
    const QList<quint32> extents = session().probe().values(client, "_NET_FRAME_EXTENTS");
    return session().probe().geometry(client).adjusted(
        -int(extents.value(0)), -int(extents.value(2)), int(extents.value(1)),
        int(extents.value(3)));
}

} // namespace

class TestX11Windows : public QObject
{
    Q_OBJECT

private:
    qint64 start(const TestWindowOptions& options = {}, const QRect& place = {100, 100, 200, 150})
    {
        const qint64 pid = session().startWindow(place, Qt::darkCyan, 1.0, {}, options);
        if (pid)
            m_started.append(pid);
        return pid;
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

    // The processes this test started, in the order `items` (windows, applications) list them.
    template <typename Item> QList<qint64> listed(const QList<Item>& items)
    {
        QList<qint64> pids;
        for (const Item& item : items) {
            const qint64 pid = std::optional<qint64>(item.pid).value_or(0);
            if (m_started.contains(pid))
                pids.append(pid);
        }
        return pids;
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
        const QString iconFile = session().scratchPath() + QStringLiteral("/painter.png");
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        QVERIFY(icon.save(iconFile));
        QVERIFY(session().writeHomeFile(
            QStringLiteral(".local/share/applications/org.example.Painter.desktop"),
            "[Desktop Entry]\nType=Application\nName=Painter\nStartupWMClass=" +
                painterClass.toUtf8() + "\nIcon=" + QFile::encodeName(iconFile) + '\n'));
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

    void boundsFollowTheFrameWithoutRoundTrips_data()
    {
        QTest::addColumn<bool>("decorated");
        QTest::addColumn<QString>("command"); // xdotool, %1 is the window
        QTest::addColumn<QRect>("expected");  // the client's own area afterwards
        const QString move = QStringLiteral("windowmove %1 600 400");
        const QString resize = QStringLiteral("windowsize %1 260 190");
        QTest::newRow("moved") << false << move << QRect(600, 400, 200, 150);
        QTest::newRow("resized") << false << resize << QRect(100, 100, 260, 190);
        QTest::newRow("decorated, moved") << true << move << QRect(600, 400, 200, 150);
        QTest::newRow("decorated, resized") << true << resize << QRect(100, 100, 260, 190);
    }

    void boundsFollowTheFrameWithoutRoundTrips()
    {
        QFETCH(bool, decorated);
        QFETCH(QString, command);
        QFETCH(QRect, expected);
        const qint64 pid = start();
        QVERIFY(pid);
        const quint32 client = session().windowOf(pid);
        // Asks the window manager for a title bar and waits until it has drawn one.
        if (decorated) {
            QVERIFY(session().run(QStringLiteral("xprop"),
                                  QStringLiteral("-id %1 -f _MOTIF_WM_HINTS 32c -set "
                                                 "_MOTIF_WM_HINTS 2,0,1,0,0")
                                      .arg(client)
                                      .split(u' ')));
            QVERIFY(X11Session::waitFor([&] {
                return session().probe().values(client, "_NET_FRAME_EXTENTS").value(2) > 0;
            }));
        }
        QRect frame;
        QVERIFY(X11Session::waitFor([&] {
            frame = frameOf(client);
            return find(pid) && find(pid)->bounds == QRectF(frame);
        }));
        QCOMPARE(frame.size() != QSize(200, 150), decorated); // the frame, decorations included
        // Settled once the window manager has focused it and we have seen all it did up to
        // then: from there on, asking again costs nothing.
        QVERIFY(X11Session::waitFor([&] {
            return session().probe().values(session().probe().root(), "_NET_ACTIVE_WINDOW") ==
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
        QVERIFY(session().xdotool(command.arg(client)));
        QVERIFY(X11Session::waitFor([&] {
            frame = frameOf(client);
            return frame.contains(expected) && find(pid)->bounds == QRectF(frame);
        }));
        QCOMPARE(m_list->roundTrips(), before);
    }

    void processesWithOrdinaryWindows()
    {
        const qint64 painter = start({.windowClass = painterClass, .windows = 2});
        const qint64 sketch = start({.windowClass = QStringLiteral("Sketch"), .icon = true});
        QVERIFY2(painter && sketch, qPrintable(session().errorString()));
        QVERIFY(X11Session::waitFor([&] { return listed(m_apps->apps()).size() >= 2; }));

        // A fresh instance reads at once what the first one followed by events.
        const X11RunningApps fresh(X11Connection::create());
        for (const RunningApps* apps :
             std::initializer_list<const RunningApps*>{m_apps.get(), &fresh}) {
            // The painter's two windows are one application.
            QCOMPARE(listed(apps->apps()), (QList{painter, sketch}));
            const RunningApp found = *ofProcess(apps->apps(), painter);
            QCOMPARE(found.identifier, QStringLiteral("org.example.Painter"));
            QCOMPARE(found.name, QStringLiteral("Painter"));
            QVERIFY(!found.icon.isNull());
            QCOMPARE(ofProcess(apps->apps(), sketch)->identifier, QStringLiteral("Sketch"));
            QCOMPARE(ofProcess(apps->apps(), sketch)->name, QStringLiteral("Sketch"));
            QVERIFY(!ofProcess(apps->apps(), sketch)->icon.isNull());
        }
    }

    void otherKindsOfWindowAreNoApps_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("dock") << QStringLiteral("DOCK");
        QTest::newRow("dialog") << QStringLiteral("DIALOG");
    }

    void otherKindsOfWindowAreNoApps()
    {
        QFETCH(QString, type);
        const qint64 other = start({.type = type});
        const qint64 ordinary = start({}, {400, 100, 200, 150});
        QVERIFY2(other && ordinary, qPrintable(session().errorString()));
        // Listed after the other window, so read after it.
        QVERIFY(X11Session::waitFor([&] { return listed(m_apps->apps()) == QList{ordinary}; }));
    }

    void changedOnlyWhenAnAppCloses()
    {
        const qint64 painter = start({.windowClass = painterClass, .windows = 2});
        const qint64 sketch = start({.windowClass = QStringLiteral("Sketch")});
        QVERIFY2(painter && sketch, qPrintable(session().errorString()));
        QVERIFY(X11Session::waitFor([&] { return listed(m_apps->apps()).size() == 2; }));
        QSignalSpy changed(m_apps.get(), &RunningApps::changed);

        // One of the painter's two windows closes: it still runs, nothing to tell.
        const int seen = m_listChanges;
        QVERIFY(
            session().xdotool(QStringLiteral("windowclose %1").arg(session().windowOf(painter))));
        QVERIFY(X11Session::waitFor([&] { return m_listChanges > seen; }));
        QCoreApplication::sendPostedEvents(); // the refresh that change asked for
        QCOMPARE(changed.count(), 0);
        QVERIFY(listed(m_apps->apps()).contains(painter));
        // Its last window closes: gone, told once.
        stop(sketch);
        QVERIFY(X11Session::waitFor([&] { return !ofProcess(m_apps->apps(), sketch); }));
        QCOMPARE(changed.count(), 1);
    }
};

TAVLIN_X11_TEST_MAIN(TestX11Windows, {.compositor = true})

#include "tst_x11windows.moc"
