// The cover, spotlight mode and the window reports through our extension inside a real
// headless GNOME Shell with two monitors and Wayland test windows.

#include "backdrop/Backdrop.h"
#include "backdrop/DesktopCover.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/wayland/gnome/GnomeShell.h"
#include "spotlight/Spotlight.h"
#include "tests/gnome/GnomeSession.h"
#include "tests/gnome/GnomeTestMain.h"
#include "tests/session/PixelChecks.h"
#include "tests/session/WaitFor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

Q_DECLARE_METATYPE(KeyChord)

namespace {

constexpr QRgb backdropColor = 0xff2050c0;
constexpr QRgb pinnedColor = 0xffe03030;
constexpr QRgb otherColor = 0xff30c040;
constexpr QRgb pressedColor = 0xffe0e040;
constexpr QRgb iconsColor = 0xff806040;
constexpr QRgb desktopColor = 0xffc0c0c0;
const QString pinnedApp = QStringLiteral("tavlin-gnome-pinned");

GnomeSession& session()
{
    return *GnomeSession::current();
}

bool shows(const QImage& screen, const QPoint& point, QRgb color)
{
    return pixels::distance(pixels::colorAt(screen, point), QColor(color)) <= 12;
}

bool showsEverywhere(const QImage& screen, const QRect& rect, QRgb color)
{
    return pixels::isUniform(screen, rect, QColor(color), 12);
}

} // namespace

class TestGnome : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void coverUnderWindowsAboveIcons();
    void spotlightFollowsAndLetsClicksThrough();
    void appsAndFocusReachTheMenu();
    void reminderFadesInOnTheActiveMonitor();
    void hotKeys_data();
    void hotKeys();
    void refusesCallsFromOthers();
    void switchedOffAndOnAgain();

private:
    qint64 startWindow(const QRect& rect, QRgb color, const QString& appId, QRgb pressed = 0);

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    QList<qint64> m_clients;
};

void TestGnome::initTestCase()
{
    const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(pictures));
    QImage solid(320, 200, QImage::Format_RGB32);
    solid.fill(backdropColor);
    QVERIFY(solid.save(pictures + QStringLiteral("/bg-country-road.jpeg"), "JPEG", 100));
    m_services = PlatformFactory::makeWindowServices();
    // The extension loaded and took our registration.
    QCOMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
    QCOMPARE(m_services.windowList->unavailableReason(), QString());
    m_images =
        std::make_unique<BackdropImages>(QStringList{pictures}, m_services.desktopPictures.get());
}

void TestGnome::init()
{
    const QString file = session().scratchPath() + QStringLiteral("/settings.json");
    QFile::remove(file);
    m_settings = std::make_unique<JsonSettingsStore>(file);
    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
    m_settings->setValue(QStringLiteral("spotlightApps"), QJsonArray{pinnedApp});
    m_settings->setValue(QStringLiteral("spotlightRemindsAboutNotifications"), false);
}

void TestGnome::cleanup()
{
    for (const qint64 pid : std::as_const(m_clients))
        session().stopProgram(pid);
    m_clients.clear();
    QVERIFY(waitFor([&] {
        const auto windows = m_services.windowList->windows();
        return windows && windows->isEmpty();
    }));
}

qint64 TestGnome::startWindow(const QRect& rect, QRgb color, const QString& appId, QRgb pressed)
{
    const qint64 pid =
        session().startWindow(rect, QColor(color), appId, pressed ? QColor(pressed) : QColor());
    if (pid)
        m_clients.append(pid);
    return pid;
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

void TestGnome::spotlightFollowsAndLetsClicksThrough()
{
    const QRect covered(600, 300, 300, 200);
    const qint64 otherPid =
        startWindow(covered, otherColor, QStringLiteral("tavlin-gnome-other"), pressedColor);
    QRect pinned(100, 100, 400, 300);
    const qint64 pinnedPid = startWindow(pinned, pinnedColor, pinnedApp);
    QVERIFY(otherPid && pinnedPid);
    const std::optional<qint32> frontmost = qint32(pinnedPid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), frontmost);

    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.toggleWithoutAnimation();
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return shows(screen, pinned.center(), pinnedColor) &&
               showsEverywhere(screen, covered, backdropColor) &&
               shows(screen, QPoint(1500, 400), backdropColor);
    }));
    QCOMPARE(m_services.runningApps->frontmostPid(), frontmost);

    for (const QRect& moved : {QRect(150, 400, 400, 300), QRect(1300, 100, 400, 300)}) {
        QVERIFY(session().moveWindow(pinnedPid, moved.topLeft()));
        QVERIFY2(waitFor([&] {
                     const QImage screen = session().grabScreen();
                     // Exactly over the window: a pixel off shows at its edges.
                     return showsEverywhere(screen, moved.adjusted(1, 12, -1, -12), pinnedColor) &&
                            showsEverywhere(screen, moved.adjusted(12, 1, -12, -1), pinnedColor) &&
                            shows(screen, moved.topLeft() + QPoint(-2, 20), backdropColor) &&
                            shows(screen, moved.topLeft() + QPoint(20, -2), backdropColor) &&
                            shows(screen, moved.bottomRight() + QPoint(2, -20), backdropColor) &&
                            shows(screen, pinned.center(), backdropColor);
                 }),
                 qPrintable(QStringLiteral("no hole at %1,%2").arg(moved.x()).arg(moved.y())));
        pinned = moved;
    }

    QVERIFY(session().click(covered.center()));
    QTRY_VERIFY(session().outputOf(otherPid).contains("pressed"));
    spotlight.toggleWithoutAnimation();
    QVERIFY(
        waitFor([&] { return showsEverywhere(session().grabScreen(), covered, pressedColor); }));
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

void TestGnome::reminderFadesInOnTheActiveMonitor()
{
    const QList<QRect> monitors = session().monitorRects();
    const QRect window(monitors[1].topLeft() + QPoint(100, 300), QSize(300, 200));
    const qint64 pid = startWindow(window, otherColor, QStringLiteral("tavlin-gnome-other"));
    QVERIFY(pid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(pid)));
    // The shell first puts it where the pointer is; the report of the move may come after.
    const auto reportedThere = [&] {
        const QList<WindowInfo> windows =
            m_services.windowList->windows().value_or(QList<WindowInfo>{});
        return std::any_of(windows.cbegin(), windows.cend(), [&](const WindowInfo& info) {
            return info.pid == qint32(pid) && info.bounds == QRectF(window);
        });
    };
    QTRY_VERIFY(reportedThere());

    // From the menu: faded in, with the reminder at the top centre of that monitor only.
    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.setRemindsAboutNotifications(true);
    spotlight.setOn(true);
    QVERIFY(spotlight.reminder().currentPanel());
    const auto topCentre = [&](int index) {
        return QRect(monitors[index].center().x() - 20, monitors[index].top() + 40, 40, 10);
    };
    // The panel is dark; the overlays, fading in, are never that dark. It shows for a few
    // seconds only, so it is looked for first.
    const auto panelAt = [&](const QImage& screen, int index) {
        const QRect area = topCentre(index);
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor seen = pixels::colorAt(screen, QPoint(x, area.center().y()));
            if (std::max({seen.red(), seen.green(), seen.blue()}) < 70)
                return true;
        }
        return false;
    };
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return panelAt(screen, 1) && !panelAt(screen, 0);
    }));
    const QRect desktop(20, 400, 200, 200);
    QVERIFY(
        waitFor([&] { return showsEverywhere(session().grabScreen(), desktop, backdropColor); }));
    spotlight.setOn(false);
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return showsEverywhere(screen, desktop, desktopColor) &&
               showsEverywhere(screen, topCentre(1), desktopColor);
    }));
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
    QDBusMessage disable = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
        QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("DisableExtension"));
    disable.setArguments({GnomeShell::extensionUuid});
    QCOMPARE(QDBusConnection::sessionBus().call(disable).type(), QDBusMessage::ReplyMessage);
    // The menu says why, and the first-run offer switches it on again without a new login.
    QTRY_VERIFY(m_services.overlays->unavailableReason(OverlayLevel::Cover).contains(u"off"));
    const std::shared_ptr<GnomeShell> shell = GnomeShell::connectTo(QDBusConnection::sessionBus());
    QVERIFY(shell);
    QCOMPARE(shell->state(), GnomeShell::State::Disabled);
    QVERIFY(shell->enableExtension());
    QTRY_COMPARE(shell->state(), GnomeShell::State::Ready);
    QTRY_COMPARE(m_services.overlays->unavailableReason(OverlayLevel::Cover), QString());
}

TAVLIN_GNOME_TEST_MAIN(TestGnome)

#include "tst_gnome.moc"
