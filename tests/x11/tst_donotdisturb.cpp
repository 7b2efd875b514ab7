// Do Not Disturb switched on with spotlight mode and always given back: the real program, driven
// from its command line, with real notification services on the session's bus (dunst, Xfce's
// daemon with xfconfd, GNOME's setting in a private dconf database) and python-dbusmock
// playing KDE Plasma's inhibitions, which cannot run here. Each is read back with its own tools.
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace tavlin;

namespace {

const QString program = QStringLiteral(TAVLIN_PROGRAM);
const QString notifications = QStringLiteral("org.freedesktop.Notifications");

bool hasOwner(const QString& name)
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
}

// What a command line ("%1" the session's home) writes to stdout.
QByteArray output(const QString& commandLine)
{
    QStringList args =
        QString(commandLine).replace(QStringLiteral("%1"), session().homePath()).split(u' ');
    QProcess process;
    process.start(args.takeFirst(), args);
    process.waitForFinished(20000);
    return process.readAllStandardOutput().trimmed();
}

// The helpers that give Do Not Disturb back, found by their command line.
QList<qint64> helpers()
{
    QList<qint64> pids;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) &&
            cmdline.readAll().contains("--give-back-do-not-disturb"))
            pids.append(entry.toLongLong());
    }
    return pids;
}

} // namespace

class TestDoNotDisturb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void givesTheUserStateBack_data();
    void givesTheUserStateBack();

private:
    qint64 startTavlin();
    bool reminderShows(qint64 pid);
    bool switchAsUser(const QString& commandLine);

    QList<qint64> m_pids;
    uint m_userCookie = 0;
};

void TestDoNotDisturb::initTestCase()
{
    // GNOME's own store, dconf, kept in the session's home and started by the session's bus. A
    // keyfile would not do: each process reloads it only when a file monitor says so.
    qputenv("GSETTINGS_BACKEND", "dconf");
}

void TestDoNotDisturb::init()
{
    // Afresh for every service: the reminder shows only so many times.
    QVERIFY(session().writeHomeFile(QStringLiteral(".config/tavlin/settings.json"),
                                    R"({"spotlightTurnsOnDoNotDisturb": true})"));
}

void TestDoNotDisturb::cleanup()
{
    while (!m_pids.isEmpty())
        session().stopClient(m_pids.takeLast());
}

qint64 TestDoNotDisturb::startTavlin()
{
    const qint64 pid = session().startProgram(program);
    const bool up =
        X11Session::waitFor([] { return hasOwner(QStringLiteral("io.github.tavlin.Tavlin")); });
    return up ? pid : 0;
}

bool TestDoNotDisturb::reminderShows(qint64 pid)
{
    // The reminder is the program's one small window; spotlight overlays fill the screen.
    const QList<quint32> windows = session().windowsOfProcess(pid);
    return std::any_of(windows.begin(), windows.end(), [](quint32 window) {
        return session().probe().geometry(window).height() < 200;
    });
}

// Switches as the user would: with the service's own tool, or for Plasma another program's
// inhibition, held on this test's own connection.
bool TestDoNotDisturb::switchAsUser(const QString& commandLine)
{
    const auto call = [](const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            notifications, QStringLiteral("/org/freedesktop/Notifications"), notifications, method);
        message.setArguments(args);
        return QDBusConnection::sessionBus().call(message);
    };
    if (commandLine == QLatin1String("Inhibit")) {
        const QDBusMessage reply =
            call(commandLine, {QStringLiteral("player"), QStringLiteral("film"), QVariantMap()});
        m_userCookie = reply.arguments().value(0).toUInt();
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    if (commandLine == QLatin1String("UnInhibit"))
        return call(commandLine, {m_userCookie}).type() == QDBusMessage::ReplyMessage;
    QStringList args = commandLine.split(u' ');
    return session().run(args.takeFirst(), args);
}

void TestDoNotDisturb::givesTheUserStateBack_data()
{
    QTest::addColumn<QStringList>("daemons"); // python3 runs python-dbusmock's template
    QTest::addColumn<QString>("read");        // what the service's own tool says of its state
    QTest::addColumn<QByteArray>("found");    // before anything happens: off, or nothing set
    QTest::addColumn<QByteArray>("on");
    QTest::addColumn<QStringList>("user"); // switching on and off as the user does
    QTest::addColumn<QString>("userOff");  // off as the user's own setting, and then read
    QTest::addColumn<QByteArray>("off");
    QTest::addColumn<bool>("guarded"); // a helper gives it back; else the service itself

    const QString xfconf = QStringLiteral("xfconf-query -c xfce4-notifyd -p /do-not-disturb");
    const QString banners = QStringLiteral("org.gnome.desktop.notifications show-banners");
    QTest::newRow("dunst") << QStringList{QStringLiteral("dunst")}
                           << QStringLiteral("dunstctl is-paused") << QByteArray("false")
                           << QByteArray("true")
                           << QStringList{QStringLiteral("dunstctl set-paused true"),
                                          QStringLiteral("dunstctl set-paused false")}
                           << QStringLiteral("dunstctl set-paused false") << QByteArray("false")
                           << true;
    QTest::newRow("Xfce")
        << QStringList{QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"),
                       QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd")}
        << xfconf << QByteArray() << QByteArray("true")
        << QStringList{xfconf + QStringLiteral(" -n -t bool -s true"),
                       xfconf + QStringLiteral(" -r")}
        << xfconf + QStringLiteral(" -n -t bool -s false") << QByteArray("false") << true;
    // Do Not Disturb is banners not shown; dconf prints nothing when the user never set it.
    QTest::newRow("GNOME") << QStringList{QStringLiteral("python3 {\"name\": \"gnome-shell\"}")}
                           << QStringLiteral("dconf read /org/gnome/desktop/notifications/"
                                             "show-banners")
                           << QByteArray() << QByteArray("false")
                           << QStringList{QStringLiteral("gsettings set ") + banners +
                                              QStringLiteral(" false"),
                                          QStringLiteral("gsettings reset ") + banners}
                           << QStringLiteral("gsettings set ") + banners + QStringLiteral(" true")
                           << QByteArray("true") << true;
    QTest::newRow("KDE Plasma")
        << QStringList{QStringLiteral("python3 {\"name\": \"Plasma\", \"inhibit\": true}")}
        << QStringLiteral("gdbus call --session --dest org.freedesktop.Notifications "
                          "--object-path /org/freedesktop/Notifications --method "
                          "org.freedesktop.DBus.Properties.Get org.freedesktop.Notifications "
                          "Inhibited")
        << QByteArray("(<false>,)") << QByteArray("(<true>,)")
        << QStringList{QStringLiteral("Inhibit"), QStringLiteral("UnInhibit")} << QString()
        << QByteArray() << false;
}

void TestDoNotDisturb::givesTheUserStateBack()
{
    QFETCH(QStringList, daemons);
    QFETCH(QString, read);
    QFETCH(QByteArray, found);
    QFETCH(QByteArray, on);
    QFETCH(QStringList, user);
    QFETCH(QString, userOff);
    QFETCH(QByteArray, off);
    QFETCH(bool, guarded);
    for (const QString& daemon : daemons) {
        // Debian's own Python, which has the package, whatever else is on PATH.
        const QString mock = QStringLiteral("-m dbusmock --template %1 -p")
                                 .arg(QStringLiteral(TAVLIN_NOTIFICATION_SERVER));
        m_pids.append(daemon.startsWith(u"python3")
                          ? session().startProgram(QStringLiteral("/usr/bin/python3"),
                                                   mock.split(u' ') << daemon.mid(8))
                          : session().startProgram(daemon));
        QVERIFY(m_pids.last());
    }
    QVERIFY(X11Session::waitFor([] { return hasOwner(notifications); }, 15000));
    QCOMPARE(output(read), found);
    const auto spotlight = [](const char* action) {
        return output(program + QStringLiteral(" spotlight ") + QLatin1String(action));
    };

    // On with spotlight mode, instead of the reminder; off with it, back to exactly what was.
    qint64 tavlin = startTavlin();
    QVERIFY(tavlin);
    m_pids.append(tavlin);
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QCOMPARE(output(read), on);
    QVERIFY(!reminderShows(tavlin));
    QCOMPARE(helpers().size(), guarded ? 1 : 0);
    QCOMPARE(spotlight("off"), QByteArray("off"));
    QCOMPARE(output(read), found);
    QVERIFY(X11Session::waitFor([] { return helpers().isEmpty(); }));

    // Switched off by the user meanwhile: their own setting stays, not what was found.
    if (!userOff.isEmpty()) {
        QCOMPARE(spotlight("on"), QByteArray("on"));
        QVERIFY(switchAsUser(userOff));
        QCOMPARE(spotlight("off"), QByteArray("off"));
        QCOMPARE(output(read), off);
        QVERIFY(switchAsUser(user.last()));
        QCOMPARE(output(read), found);
    }

    // Already on: left as it is, and the reminder shows as ever.
    QVERIFY(switchAsUser(user.first()));
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QVERIFY(X11Session::waitFor([&] { return reminderShows(tavlin); }));
    QCOMPARE(spotlight("off"), QByteArray("off"));
    QCOMPARE(output(read), on);
    QVERIFY(switchAsUser(user.last()));
    QCOMPARE(output(read), found);

    // Killed while on: given back within two seconds.
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QCOMPARE(output(read), on);
    ::kill(pid_t(tavlin), SIGKILL);
    session().waitForExit(m_pids.takeLast(), 5000);
    QVERIFY(X11Session::waitFor([&] { return output(read) == found; }, 2000));
    if (!guarded)
        return;

    // Killed together with its helper, as at a power cut: given back at the next start.
    tavlin = startTavlin();
    QVERIFY(tavlin);
    m_pids.append(tavlin);
    QCOMPARE(spotlight("on"), QByteArray("on"));
    for (const qint64 helper : helpers())
        ::kill(pid_t(helper), SIGKILL);
    ::kill(pid_t(tavlin), SIGKILL);
    session().waitForExit(m_pids.takeLast(), 5000);
    QCOMPARE(output(read), on);
    m_pids.append(startTavlin());
    QVERIFY(m_pids.last());
    QVERIFY(X11Session::waitFor([&] { return output(read) == found; }));
}

TAVLIN_X11_TEST_MAIN(TestDoNotDisturb, {})

#include "tst_donotdisturb.moc"
