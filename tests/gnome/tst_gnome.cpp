// The cover, spotlight mode and the window reports through our extension inside a real
// headless GNOME Shell with two monitors and Wayland test windows.

#include "backdrop/DesktopCover.h"
#include "platform/wayland/gnome/GnomeShell.h"
#include "tests/gnome/GnomeSession.h"
#include "tests/session/SessionTestMain.h"
#include "tests/spotlight/CompositorFixture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>

using namespace tavlin;

Q_DECLARE_METATYPE(KeyChord)

namespace {

constexpr QRgb iconsColor = 0xff806040;
constexpr QRgb desktopColor = 0xffc0c0c0;
const QString pinnedApp = QStringLiteral("tavlin-gnome-pinned");

} // namespace

class TestGnome : public QObject, CompositorFixture<GnomeSession>
{
    Q_OBJECT

public:
    TestGnome() : CompositorFixture(pinnedApp) {}

private Q_SLOTS:
    void initTestCase();
    void init() { resetSettings(); }
    void cleanup() { closeWindows(); }
    void coverUnderWindowsAboveIcons();
    void spotlightFollowsAndLetsClicksThrough() { checkSpotlightFollowsAndLetsClicksThrough(); }
    void appsAndFocusReachTheMenu();
    void reminderOnTheActiveOutput() { checkReminderOnTheActiveOutput(); }
    void hotKeys_data();
    void hotKeys();
    void refusesCallsFromOthers();
    void switchedOffAndOnAgain();
};

void TestGnome::initTestCase()
{
    prepare();
    // The extension loaded and took our registration.
    QCOMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
}

void TestGnome::coverUnderWindowsAboveIcons()
{
    // The desktop-icons extension's window, kept at the bottom as it keeps it.
    const QRect icons(20, 100, 400, 500);
    const qint64 iconsPid = startWindow(icons, iconsColor, QStringLiteral("com.rastersoft.ding"));
    QVERIFY(iconsPid);
    QVERIFY(session().onWindows(iconsPid, QStringLiteral("lower()")));
    const QRect left(300, 300, 300, 200);
    const QRect right(1300, 200, 300, 200);
    const qint64 leftPid = startWindow(left, otherColor, QStringLiteral("tavlin-left"));
    const qint64 rightPid = startWindow(right, pinnedColor, QStringLiteral("tavlin-right"));
    QVERIFY(leftPid && rightPid);

    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    cover.toggleWithoutAnimation();
    const auto coveredBelowWindows = [&] {
        const QImage screen = session().grabScreen();
        return showsEverywhere(screen, QRect(30, 150, 200, 100), backdropColor) &&
               showsEverywhere(screen, QRect(700, 600, 200, 100), backdropColor) &&
               showsEverywhere(screen, QRect(1100, 500, 800, 200), backdropColor) &&
               showsEverywhere(screen, left.adjusted(1, 1, -1, -1), otherColor) &&
               showsEverywhere(screen, right.adjusted(1, 1, -1, -1), pinnedColor);
    };
    QVERIFY(waitFor(coveredBelowWindows));
    // The shell puts loose actors above every window when it restacks: ours goes back.
    for (const qint64 pid : {leftPid, rightPid, iconsPid}) {
        QVERIFY(session().onWindows(pid, pid == iconsPid ? QStringLiteral("lower()")
                                                         : QStringLiteral("raise()")));
        QVERIFY2(waitFor(coveredBelowWindows), "restacked");
    }
    cover.toggleWithoutAnimation();
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return showsEverywhere(screen, QRect(30, 150, 200, 100), iconsColor) &&
               showsEverywhere(screen, QRect(1100, 500, 800, 200), desktopColor);
    }));
}

void TestGnome::appsAndFocusReachTheMenu()
{
    const qint64 first = startWindow(QRect(100, 100, 300, 200), otherColor, pinnedApp);
    const qint64 second =
        startWindow(QRect(1200, 100, 300, 200), pinnedColor, QStringLiteral("tavlin-gnome-other"));
    QVERIFY(first && second);
    Spotlight spotlight(*m_settings, *m_images, m_services);
    const auto listed = [&] {
        QStringList ids;
        for (const RunningApp& app : spotlight.runningApps())
            ids.append(app.identifier);
        ids.sort();
        return ids;
    };
    QTRY_COMPARE(listed(), (QStringList{QStringLiteral("tavlin-gnome-other"), pinnedApp}));
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(second)));
    QVERIFY(session().onWindows(first, QStringLiteral("activate(global.get_current_time())")));
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(first)));
    QVERIFY(spotlight.targetPids().contains(qint32(first)));
}

void TestGnome::hotKeys_data()
{
    QTest::addColumn<KeyChord>("chord");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("bound");
    const KeyModifiers all = KeyModifier::Control | KeyModifier::Alt | KeyModifier::Super;
    QTest::newRow("Hide Desktop Icons chord")
        << KeyChord{KeyPosition::D, all} << QStringLiteral("d") << true;
    QTest::newRow("Spotlight Mode chord")
        << KeyChord{KeyPosition::S, all} << QStringLiteral("s") << true;
    // GNOME Shell's own quick settings.
    QTest::newRow("chord the shell holds")
        << KeyChord{KeyPosition::S, KeyModifier::Super} << QStringLiteral("s") << false;
}

void TestGnome::hotKeys()
{
    QFETCH(KeyChord, chord);
    QFETCH(QString, key);
    QFETCH(bool, bound);
    std::unique_ptr<HotKeyGrabber> grabber = PlatformFactory::makeHotKeyGrabber(WindowServices{});
    QSignalSpy answered(grabber.get(), &HotKeyGrabber::answered);
    QSignalSpy pressed(grabber.get(), &HotKeyGrabber::pressed);
    QCOMPARE(grabber->grab(7, chord, QStringLiteral("test")), HotKeyGrabber::Grant::Pending);
    QTRY_COMPARE(answered.size(), 1);
    QCOMPARE(answered.constFirst(), (QVariantList{7u, bound}));
    if (!bound)
        return;
    QVERIFY(session().pressKeys(
        {QStringLiteral("Control_L"), QStringLiteral("Alt_L"), QStringLiteral("Super_L"), key}));
    QTRY_COMPARE(pressed.size(), 1);
    QCOMPARE(pressed.constFirst().constFirst().toUInt(), 7u);
}

void TestGnome::refusesCallsFromOthers()
{
    // Any other program on the bus: it may not show anything through our extension.
    QDBusConnection intruder =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("intruder"));
    const auto call = [&](const QString& method, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("io.github.tavlin.Shell"), QStringLiteral("/io/github/tavlin/Shell"),
            QStringLiteral("io.github.tavlin.Shell1"), method);
        message.setArguments(arguments);
        return intruder.call(message, QDBus::BlockWithGui, 5000);
    };
    const QDBusMessage answer = call(QStringLiteral("Remove"), {1u});
    const QDBusMessage registered = call(QStringLiteral("Register"), {});
    QDBusConnection::disconnectFromBus(QStringLiteral("intruder"));
    QCOMPARE(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    QCOMPARE(registered.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
}

void TestGnome::switchedOffAndOnAgain()
{
    QVERIFY(session().eval(QStringLiteral("Main.extensionManager.disableExtension('%1')")
                               .arg(GnomeShell::extensionUuid)));
    // The menu says why, and the first-run offer switches it on again without a new login.
    QTRY_VERIFY(m_services.overlays->unavailableReason(OverlayLevel::Cover).contains(u"off"));
    const std::shared_ptr<GnomeShell> shell = GnomeShell::connectTo(QDBusConnection::sessionBus());
    QVERIFY(shell);
    QCOMPARE(shell->state(), GnomeShell::State::Disabled);
    QVERIFY(shell->enableExtension());
    QTRY_COMPARE(shell->state(), GnomeShell::State::Ready);
    QTRY_COMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
}

int main(int argc, char** argv)
{
    GnomeSession session;
    if (const QString missing = session.unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    return runInSession(argc, argv, session, "wayland", {}, execTests<TestGnome>);
}

#include "tst_gnome.moc"
