// mako and SwayNotificationCenter, which run only on a Wayland compositor: their Do Not Disturb
// switched and given back on a headless sway by the program's own switch, its helper included,
// and read back over their own bus interfaces.
#include "platform/UserFolders.h"
#include "platform/linux/DbusNotificationServices.h"
#include "platform/linux/PipeExitGuard.h"
#include "platform/linux/PosixStateFolder.h"
#include "spotlight/DoNotDisturbSwitch.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTest>

using namespace tavlin;

namespace {

// The daemon's own switch: mako's modes, or the control centre's Do Not Disturb.
QDBusMessage callDaemon(const QString& daemon, const QString& method, const QVariantList& args)
{
    const bool mako = daemon == QLatin1String("mako");
    QDBusMessage call = QDBusMessage::createMethodCall(
        mako ? QStringLiteral("org.freedesktop.Notifications")
             : QStringLiteral("org.erikreider.swaync.cc"),
        mako ? QStringLiteral("/fr/emersion/Mako") : QStringLiteral("/org/erikreider/swaync/cc"),
        mako ? QStringLiteral("fr.emersion.Mako") : QStringLiteral("org.erikreider.swaync.cc"),
        method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call);
}

} // namespace

class TestWaylandDnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void givesTheUserStateBack_data()
    {
        QTest::addColumn<QString>("daemon");
        QTest::addColumn<QString>("busName");
        QTest::addColumn<QString>("getter"); // answers the state
        QTest::addColumn<QVariant>("found"); // what it answers before anything happens
        QTest::addColumn<QVariant>("silenced");
        QTest::addColumn<QString>("setter"); // as the user would switch it
        QTest::addColumn<QVariant>("userOn");

        // The user's own mode stays beside Tavlin's.
        const QStringList own{QStringLiteral("default"), QStringLiteral("away")};
        QTest::newRow("mako") << QStringLiteral("mako")
                              << QStringLiteral("org.freedesktop.Notifications")
                              << QStringLiteral("ListModes") << QVariant(own)
                              << QVariant(own + QStringList{QStringLiteral("do-not-disturb")})
                              << QStringLiteral("SetModes")
                              << QVariant(QStringList{QStringLiteral("do-not-disturb")});
        QTest::newRow("SwayNotificationCenter")
            << QStringLiteral("swaync") << QStringLiteral("org.erikreider.swaync.cc")
            << QStringLiteral("GetDnd") << QVariant(false) << QVariant(true)
            << QStringLiteral("SetDnd") << QVariant(true);
    }

    void givesTheUserStateBack()
    {
        QFETCH(QString, daemon);
        QFETCH(QString, busName);
        QFETCH(QString, getter);
        QFETCH(QVariant, found);
        QFETCH(QVariant, silenced);
        QFETCH(QString, setter);
        QFETCH(QVariant, userOn);
        const qint64 pid = session().startProgram(daemon);
        QVERIFY(WaylandSession::waitFor([&] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(busName);
        }));
        const auto state = [&] { return callDaemon(daemon, getter, {}).arguments().value(0); };
        if (daemon == QLatin1String("mako"))
            callDaemon(daemon, setter, {found});
        QCOMPARE(state(), found);

        DbusNotificationServices services(QDBusConnection::sessionBus());
        PosixStateFolder folder(UserFolders::stateFolder());
        PipeExitGuard guard(qgetenv("TAVLIN_BINARY"),
                            {QByteArrayLiteral("--give-back-do-not-disturb")});
        DoNotDisturbSwitch dnd(services, folder, guard);
        QCOMPARE(dnd.unavailableReason(), QString());
        QVERIFY(dnd.switchOn());
        QCOMPARE(state(), silenced);
        dnd.giveBack();
        QCOMPARE(state(), found);

        // On already: nothing changed, nothing given back.
        QCOMPARE(callDaemon(daemon, setter, {userOn}).type(), QDBusMessage::ReplyMessage);
        QVERIFY(!dnd.switchOn());
        dnd.giveBack();
        QCOMPARE(state(), userOn);
        session().stopProgram(pid);
    }
};

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandDnd, {.outputs = 1})

#include "tst_waylanddnd.moc"
