// Do Not Disturb switched on with spotlight mode and always given back: the real program, driven
// from its command line, with real notification services on the session's bus (dunst, Xfce's
// daemon with xfconfd, GNOME's setting in a private GSettings keyfile) and python-dbusmock
// playing KDE Plasma's inhibitions, which cannot run here. Each is read back with its own tools.
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>

using namespace tavlin;

namespace {

const QString program = QStringLiteral(TAVLIN_PROGRAM);
const QString notifications = QStringLiteral("org.freedesktop.Notifications");
const QString xfconfDaemon = QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd");
const QString xfceDaemon = QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd");

bool hasOwner(const QString& name)
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
}

QByteArray output(const QString& tool, const QStringList& args, int* exitCode = nullptr)
{
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(20000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput().trimmed();
}

QDBusMessage callNotifications(const QString& interface, const QString& method,
                               const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        notifications, QStringLiteral("/org/freedesktop/Notifications"), interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
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
    bool startService(const QString& service);
    // "on", "off" or "unset" (no value of the user's own), as the service's own tools say.
    QString state(const QString& service);
    // As the user would, with the service's own tools.
    bool switchAsUser(const QString& service, bool on);
    qint64 startTavlin();
    bool reminderShows(qint64 pid);

    QList<qint64> m_pids;
    uint m_userCookie = 0;
};

void TestDoNotDisturb::initTestCase()
{
    // The program, its helper and the gsettings tool share a settings file of their own.
    qputenv("GSETTINGS_BACKEND", "keyfile");
}

void TestDoNotDisturb::init()
{
    // Afresh for every service: the reminder shows only so many times.
    const QString config = session().homePath() + QStringLiteral("/.config/tavlin");
    QVERIFY(QDir().mkpath(config));
    QFile settings(config + QStringLiteral("/settings.json"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(R"({"spotlightTurnsOnDoNotDisturb": true})");
}

void TestDoNotDisturb::cleanup()
{
    while (!m_pids.isEmpty())
        session().stopClient(m_pids.takeLast());
}

bool TestDoNotDisturb::startService(const QString& service)
{
    const auto mock = [&](const char* parameters) {
        // Debian's own Python, which has the package, whatever else is on PATH.
        return session().startProgram(QStringLiteral("/usr/bin/python3"),
                                      {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                                       QStringLiteral("--template"),
                                       QStringLiteral(TAVLIN_NOTIFICATION_SERVER),
                                       QStringLiteral("-p"), QString::fromLatin1(parameters)});
    };
    if (service == QLatin1String("dunst")) {
        m_pids.append(session().startProgram(QStringLiteral("dunst")));
    } else if (service == QLatin1String("xfce")) {
        m_pids.append(session().startProgram(xfconfDaemon));
        m_pids.append(session().startProgram(xfceDaemon));
        if (!X11Session::waitFor([] { return hasOwner(QStringLiteral("org.xfce.Xfconf")); }))
            return false;
    } else if (service == QLatin1String("gnome")) {
        m_pids.append(mock(R"({"name": "gnome-shell"})"));
    } else {
        m_pids.append(mock(R"({"name": "Plasma", "inhibit": true})"));
    }
    return X11Session::waitFor([] { return hasOwner(notifications); }, 15000);
}

QString TestDoNotDisturb::state(const QString& service)
{
    int exitCode = -1;
    if (service == QLatin1String("dunst"))
        return output(QStringLiteral("dunstctl"), {QStringLiteral("is-paused")}) == "true"
                   ? QStringLiteral("on")
                   : QStringLiteral("off");
    if (service == QLatin1String("xfce")) {
        const QByteArray value = output(QStringLiteral("xfconf-query"),
                                        {QStringLiteral("-c"), QStringLiteral("xfce4-notifyd"),
                                         QStringLiteral("-p"), QStringLiteral("/do-not-disturb")},
                                        &exitCode);
        return exitCode != 0 ? QStringLiteral("unset")
                             : QString::fromLatin1(value == "true" ? "on" : "off");
    }
    if (service == QLatin1String("gnome")) {
        // The keyfile tells whether the user has a value of their own at all.
        QFile keyfile(session().homePath() + QStringLiteral("/.config/glib-2.0/settings/keyfile"));
        const QByteArray text = keyfile.open(QIODevice::ReadOnly) ? keyfile.readAll() : "";
        if (!text.contains("show-banners="))
            return QStringLiteral("unset");
        return text.contains("show-banners=false") ? QStringLiteral("on") : QStringLiteral("off");
    }
    const QDBusMessage reply =
        callNotifications(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                          {notifications, QStringLiteral("Inhibited")});
    const bool inhibited =
        !reply.arguments().isEmpty() &&
        qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
    return inhibited ? QStringLiteral("on") : QStringLiteral("off");
}

bool TestDoNotDisturb::switchAsUser(const QString& service, bool on)
{
    const QString value = QString::fromLatin1(on ? "true" : "false");
    if (service == QLatin1String("dunst"))
        return session().run(QStringLiteral("dunstctl"), {QStringLiteral("set-paused"), value});
    if (service == QLatin1String("xfce")) {
        QStringList args{QStringLiteral("-c"), QStringLiteral("xfce4-notifyd"),
                         QStringLiteral("-p"), QStringLiteral("/do-not-disturb")};
        args += on ? QStringList{QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("bool"),
                                 QStringLiteral("-s"), value}
                   : QStringList{QStringLiteral("-r")};
        return session().run(QStringLiteral("xfconf-query"), args);
    }
    if (service == QLatin1String("gnome")) {
        const QStringList key{QStringLiteral("org.gnome.desktop.notifications"),
                              QStringLiteral("show-banners")};
        // Do Not Disturb is banners not shown.
        return session().run(QStringLiteral("gsettings"),
                             on ? QStringList{QStringLiteral("set")} + key +
                                      QStringList{QStringLiteral("false")}
                                : QStringList{QStringLiteral("reset")} + key);
    }
    // Another program's inhibition, on this test's own connection.
    if (!on)
        return callNotifications(notifications, QStringLiteral("UnInhibit"), {m_userCookie})
                   .type() == QDBusMessage::ReplyMessage;
    const QDBusMessage reply =
        callNotifications(notifications, QStringLiteral("Inhibit"),
                          {QStringLiteral("player"), QStringLiteral("film"), QVariantMap()});
    m_userCookie = reply.arguments().value(0).toUInt();
    return reply.type() == QDBusMessage::ReplyMessage;
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
    QByteArray windows;
    session().run(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                   QStringLiteral("--pid"), QString::number(pid)},
                  5000, &windows);
    for (const QByteArray& line : windows.split('\n')) {
        const quint32 window = line.trimmed().toUInt();
        if (window && session().probe().geometry(window).height() < 200)
            return true;
    }
    return false;
}

void TestDoNotDisturb::givesTheUserStateBack_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("found"); // before anything happens
    QTest::addColumn<bool>("guarded");  // a helper gives it back; else the service itself

    QTest::newRow("dunst") << QStringLiteral("dunst") << QStringLiteral("off") << true;
    QTest::newRow("Xfce") << QStringLiteral("xfce") << QStringLiteral("unset") << true;
    QTest::newRow("GNOME") << QStringLiteral("gnome") << QStringLiteral("unset") << true;
    QTest::newRow("KDE Plasma") << QStringLiteral("plasma") << QStringLiteral("off") << false;
}

void TestDoNotDisturb::givesTheUserStateBack()
{
    QFETCH(QString, service);
    QFETCH(QString, found);
    QFETCH(bool, guarded);
    QVERIFY2(startService(service), qPrintable(session().errorString()));
    QCOMPARE(state(service), found);
    const auto spotlight = [](const char* action) {
        return output(program, {QStringLiteral("spotlight"), QString::fromLatin1(action)});
    };

    // On with spotlight mode, instead of the reminder; off with it, back to exactly what was.
    qint64 tavlin = startTavlin();
    QVERIFY(tavlin);
    m_pids.append(tavlin);
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QCOMPARE(state(service), QStringLiteral("on"));
    QVERIFY(!reminderShows(tavlin));
    QCOMPARE(helpers().size(), guarded ? 1 : 0);
    QCOMPARE(spotlight("off"), QByteArray("off"));
    QCOMPARE(state(service), found);
    QVERIFY(X11Session::waitFor([] { return helpers().isEmpty(); }));

    // Already on: left as it is, and the reminder shows as ever.
    QVERIFY(switchAsUser(service, true));
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QVERIFY(X11Session::waitFor([&] { return reminderShows(tavlin); }));
    QCOMPARE(spotlight("off"), QByteArray("off"));
    QCOMPARE(state(service), QStringLiteral("on"));
    QVERIFY(switchAsUser(service, false));
    QCOMPARE(state(service), found);

    // Killed while on: given back within two seconds.
    QCOMPARE(spotlight("on"), QByteArray("on"));
    QCOMPARE(state(service), QStringLiteral("on"));
    ::kill(pid_t(tavlin), SIGKILL);
    session().waitForExit(m_pids.takeLast(), 5000);
    QVERIFY(X11Session::waitFor([&] { return state(service) == found; }, 2000));
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
    QCOMPARE(state(service), QStringLiteral("on"));
    m_pids.append(startTavlin());
    QVERIFY(m_pids.last());
    QVERIFY(X11Session::waitFor([&] { return state(service) == found; }));
}

TAVLIN_X11_TEST_MAIN(TestDoNotDisturb, {})

#include "tst_donotdisturb.moc"
