#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RunningApps.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

using namespace tavlin;

namespace {

const QString painterClass = QStringLiteral("PainterWin");

} // namespace

class TestRunningApps : public QObject
{
    Q_OBJECT

private:
    X11Session& session() { return *X11Session::current(); }

    qint64 start(const TestWindowOptions& options, const QRect& place = {100, 100, 200, 150})
    {
        const qint64 pid = session().startWindow(place, Qt::darkGreen, 1.0, {}, options);
        if (pid)
            m_started.append(pid);
        return pid;
    }

    void stop(qint64 pid)
    {
        m_started.removeAll(pid);
        session().stopClient(pid);
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
    std::unique_ptr<X11RunningApps> m_apps;
    QList<qint64> m_started;
    int m_listChanges = 0; // how often the application saw the client list change

private Q_SLOTS:
    void initTestCase()
    {
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

TAVLIN_X11_TEST_MAIN(TestRunningApps, {})

#include "tst_runningapps.moc"
