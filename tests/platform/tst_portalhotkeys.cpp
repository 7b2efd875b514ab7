// Global shortcuts through the desktop portal, bound and pressed on a private session bus where
// python-dbusmock stands in for the portal: Debian 12 has no portal backend with global
// shortcuts outside KDE.
#include "menu/HotKeyChords.h"
#include "menu/HotKeys.h"
#include "platform/portal/PortalHotKeyGrabber.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tavlin;

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");

} // namespace

class TestPortalHotKeys : public QObject
{
    Q_OBJECT

public:
    explicit TestPortalHotKeys(QString busAddress) : m_busAddress(std::move(busAddress)) {}

private Q_SLOTS:
    void initTestCase()
    {
        // No service folders: a portal installed on this machine must not be started on
        // demand, or "no portal at all" could never be tested there.
        QFile config(m_scratch.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("<busconfig><type>session</type><listen>" + m_busAddress.toUtf8() +
                     "</listen><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + config.fileName(),
                     QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon must be installed");
        // Connected once the socket is there: a session bus connection is made only once.
        QTRY_VERIFY(QFileInfo::exists(m_busAddress.mid(m_busAddress.indexOf(u'=') + 1)));
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void cleanup()
    {
        m_portal.terminate();
        m_portal.waitForFinished();
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(portalService));
    }

    void bindAndPress_data()
    {
        QTest::addColumn<QString>("portal"); // the stand-in's parameters; none at all when empty
        QTest::addColumn<bool>("bound");

        QTest::newRow("portal 1.16 binds both") << QStringLiteral("{}") << true;
        QTest::newRow("portal 1.21 serves a registered app id")
            << QStringLiteral(R"({"registry": true})") << true;
        QTest::newRow("refused by the user") << QStringLiteral(R"({"refuse": true})") << false;
        QTest::newRow("portal without global shortcuts")
            << QStringLiteral(R"({"shortcuts": false})") << false;
        QTest::newRow("no portal at all") << QString() << false;
    }

    void bindAndPress()
    {
        QFETCH(QString, portal);
        QFETCH(bool, bound);
        const QString log = m_scratch.filePath(QStringLiteral("portal.log"));
        QFile::remove(log);
        if (!portal.isEmpty()) {
            // Debian's own Python, which has the package, whatever else is on PATH.
            m_portal.start(QStringLiteral("/usr/bin/python3"),
                           {QStringLiteral("-m"), QStringLiteral("dbusmock"),
                            QStringLiteral("--template"), QStringLiteral(TAVLIN_PORTAL_TEMPLATE),
                            QStringLiteral("-p"), portal, QStringLiteral("-l"), log});
            QVERIFY2(m_portal.waitForStarted(), "python3-dbusmock must be installed");
            QTRY_VERIFY(
                QDBusConnection::sessionBus().interface()->isServiceRegistered(portalService));
        }

        // A connection of its own, as the program makes one.
        const QString name = QStringLiteral("portal-") + QString::number(++m_connections);
        PortalHotKeyGrabber grabber(QDBusConnection::connectToBus(m_busAddress, name),
                                    QStringLiteral("tavlin"));
        HotKeys hotKeys(grabber);
        QSignalSpy answered(&grabber, &HotKeyGrabber::answered);
        int cover = 0;
        int spotlight = 0;
        hotKeys.registerHotKey(HotKeyChords::cover, QStringLiteral("Hide Desktop Icons"),
                               [&] { ++cover; });
        hotKeys.registerHotKey(HotKeyChords::spotlight, QStringLiteral("Spotlight Mode"),
                               [&] { ++spotlight; });
        QVERIFY(!hotKeys.isActive(1) && !hotKeys.isActive(2));
        QTRY_COMPARE(answered.size(), 2);
        QCOMPARE(hotKeys.isActive(1), bound);
        QCOMPARE(hotKeys.isActive(2), bound);

        if (bound) {
            // Both chords went out in one request, each with its own trigger.
            QFile said(log);
            QVERIFY(said.open(QIODevice::ReadOnly));
            const QByteArray calls = said.readAll();
            QCOMPARE(calls.count("BindShortcuts"), 1);
            QVERIFY(calls.contains("CTRL+ALT+LOGO+d") && calls.contains("CTRL+ALT+LOGO+s"));
            // Pressed and released once each: the cover's action runs once, by the time the
            // later press has arrived.
            press(QStringLiteral("hotkey-1"));
            press(QStringLiteral("hotkey-2"));
            QTRY_COMPARE(spotlight, 1);
            QCOMPARE(cover, 1);
        }
        QDBusConnection::disconnectFromBus(name);
    }

private:
    void press(const QString& shortcutId)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Test"), QStringLiteral("Press"));
        call << shortcutId;
        QCOMPARE(QDBusConnection::sessionBus().call(call).type(), QDBusMessage::ReplyMessage);
    }

    const QString m_busAddress;
    QProcess m_bus;
    QProcess m_portal;
    QTemporaryDir m_scratch;
    int m_connections = 0;
};

int main(int argc, char** argv)
{
    // The bus is named before anything can connect, so nothing here reaches a user's own bus.
    QTemporaryDir busFolder;
    const QString address =
        QStringLiteral("unix:path=") + busFolder.path() + QStringLiteral("/bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLocal8Bit());
    QCoreApplication app(argc, argv);
    TestPortalHotKeys test(address);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portalhotkeys.moc"
