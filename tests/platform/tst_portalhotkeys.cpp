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

bool portalRegistered()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(portalService);
}

} // namespace

class TestPortalHotKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Named before anything connects, so nothing here reaches a user's own bus. No service
        // folders: a portal installed on this machine must not be started on demand, or "no
        // portal at all" could never be tested there.
        const QString socket = m_scratch.filePath(QStringLiteral("bus"));
        m_address = QStringLiteral("unix:path=") + socket;
        qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName(m_address));
        QFile config(m_scratch.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("<busconfig><type>session</type><listen>" + m_address.toUtf8() +
                     "</listen><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--config-file=") + config.fileName(),
                     QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon must be installed");
        // Connected once the socket is there: a session bus connection is made only once.
        QTRY_VERIFY(QFileInfo::exists(socket));
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
        QTRY_VERIFY(!portalRegistered());
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
            QTRY_VERIFY(portalRegistered());
        }

        // A connection of its own, as the program makes one.
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        PortalHotKeyGrabber grabber(QDBusConnection::connectToBus(m_address, name),
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
            for (const char* shortcut : {"hotkey-1", "hotkey-2"}) {
                QDBusMessage press = QDBusMessage::createMethodCall(
                    portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
                    QStringLiteral("org.freedesktop.portal.Test"), QStringLiteral("Press"));
                press << QString::fromLatin1(shortcut);
                QCOMPARE(QDBusConnection::sessionBus().call(press).type(),
                         QDBusMessage::ReplyMessage);
            }
            QTRY_COMPARE(spotlight, 1);
            QCOMPARE(cover, 1);
        }
        QDBusConnection::disconnectFromBus(name);
    }

private:
    QTemporaryDir m_scratch;
    QString m_address;
    QProcess m_bus;
    QProcess m_portal;
};

QTEST_GUILESS_MAIN(TestPortalHotKeys)
#include "tst_portalhotkeys.moc"
