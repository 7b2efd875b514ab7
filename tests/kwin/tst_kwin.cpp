// Our window script, spotlight mode and the cover on a real headless KWin: two outputs,
// Wayland test windows and X11 ones through Xwayland.

#include "backdrop/DesktopCover.h"
#include "menu/HotKeyChords.h"
#include "menu/HotKeys.h"
#include "platform/wayland/kwin/KdeOutputOrder.h"
#include "tests/kwin/KwinSession.h"
#include "tests/session/SessionTestMain.h"
#include "tests/spotlight/CompositorFixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

namespace {

constexpr QRgb desktopColor = 0xffc0c0c0;
const QString pinnedApp = QStringLiteral("tavlin-kwin-pinned");

// Linux key codes, as fake input presses them.
using Keys = QList<int>;
constexpr int ctrl = 29, alt = 56, super = 125, keyD = 32, keyS = 31, keyX = 45;
const QString kglobalaccel = QStringLiteral("org.kde.kglobalaccel");

} // namespace

class TestKwin : public QObject, CompositorFixture<KwinSession>
{
    Q_OBJECT

public:
    TestKwin() : CompositorFixture(pinnedApp) {}

private Q_SLOTS:
    void initTestCase() { prepare(); }
    void init() { resetSettings(); }
    void cleanup() { closeWindows(); }
    void reportsX11Windows();
    void spotlightFollowsAndLetsClicksThrough() { checkSpotlightFollowsAndLetsClicksThrough(); }
    void reminderOnTheActiveOutput() { checkReminderOnTheActiveOutput(); }
    void coverHidesDesktopWindows();
    void refusesReportsFromOthers();
    void outputOrderNamesEveryScreen();
    void hotKeysSwitchOverlays_data();
    void hotKeysSwitchOverlays();
    void cleanupTestCase();

private:
    qint64 startX11Window(const QRect& rect, QRgb color, const QString& type = {});
    bool screenShows(const QRect& rect, QRgb color)
    {
        return showsEverywhere(session().grabScreen(), rect, color);
    }
};

qint64 TestKwin::startX11Window(const QRect& rect, QRgb color, const QString& type)
{
    QStringList args{QStringLiteral("%1x%2+%3+%4")
                         .arg(rect.width())
                         .arg(rect.height())
                         .arg(rect.x())
                         .arg(rect.y()),
                     QColor(color).name()};
    if (!type.isEmpty())
        args.append(QStringLiteral("--type=") + type);
    const qint64 pid = session().startX11Program(QStringLiteral(TAVLIN_TEST_WINDOW), args);
    m_clients.append(pid);
    return pid;
}

// An X11 window through Xwayland, reported where KWin shows it and followed to the other output.
// (Wayland windows: the spotlight checks.)
void TestKwin::reportsX11Windows()
{
    const QRect first(100, 120, 300, 200);
    const QRect second(1200, 300, 320, 240);
    const qint64 pid = startX11Window(first, otherColor);
    QVERIFY(placeWindow(pid, first, otherColor));
    QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(first));
    QVERIFY(reported(pid)->ordinary);
    QVERIFY(session().moveWindow(pid, second));
    QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(second));
}

void TestKwin::coverHidesDesktopWindows()
{
    // Icons on both outputs, as a file manager's desktop draws them.
    const QList<QRect> outputs = session().outputRects();
    for (const QRect& output : outputs) {
        const qint64 pid = startX11Window(output, desktopColor, QStringLiteral("DESKTOP"));
        QVERIFY(pid);
    }
    QVERIFY(waitFor([&] { return screenShows(QRect(1500, 600, 100, 100), desktopColor); }));
    const QRect window(300, 200, 400, 300);
    const qint64 windowPid = startWindow(window, otherColor);
    QVERIFY(windowPid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(windowPid)));

    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    cover.setOn(true);
    QSignalSpy presented(&cover.windows().first()->surface(), &OverlaySurface::presented);
    const auto coveredBelowWindow = [&] {
        const QImage screen = session().grabScreen();
        return showsEverywhere(screen, QRect(20, 600, 200, 100), backdropColor) &&
               showsEverywhere(screen, QRect(1100, 100, 800, 500), backdropColor) &&
               showsEverywhere(screen, window.adjusted(1, 1, -1, -1), otherColor);
    };
    QVERIFY(waitFor(coveredBelowWindow));
    QCOMPARE(presented.count(), 1);
    // The screen reads as covered a step before the fade ends; it must end fully opaque.
    for (OverlayWindow* overlay : cover.windows())
        QTRY_COMPARE(overlay->opacity(), 1.0);
    QCOMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(windowPid)));
    // Plasma's "Show Desktop" raises the desktop above everything while it lasts (the README
    // says so); afterwards the cover hides it again.
    const QString showDesktop = QStringLiteral("workspace.slotToggleShowDesktop(); done();");
    QVERIFY(session().runScript(showDesktop));
    QVERIFY(waitFor([&] { return screenShows(QRect(300, 200, 400, 300), desktopColor); }));
    QVERIFY(session().runScript(showDesktop));
    QVERIFY(waitFor(coveredBelowWindow));
    cover.toggleWithoutAnimation();
    QVERIFY(waitFor([&] { return screenShows(QRect(1500, 600, 100, 100), desktopColor); }));
}

void TestKwin::refusesReportsFromOthers()
{
    const qint64 pid = startWindow(QRect(100, 100, 200, 200), otherColor);
    QTRY_VERIFY(reported(pid));
    // Any other program on the bus, whatever it claims.
    QDBusConnection intruder =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("intruder"));
    QDBusMessage fake = QDBusMessage::createMethodCall(
        QDBusConnection::sessionBus().baseService(),
        QStringLiteral("/io/github/tavlin/KWinWindows1"),
        QStringLiteral("io.github.tavlin.KWinWindows1"), QStringLiteral("update"));
    fake.setArguments({QStringLiteral("0123"), QStringLiteral("[]")});
    const QDBusMessage answer = intruder.call(fake, QDBus::BlockWithGui, 5000);
    QDBusConnection::disconnectFromBus(QStringLiteral("intruder"));
    QCOMPARE(answer.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    QVERIFY(reported(pid));
}

void TestKwin::outputOrderNamesEveryScreen()
{
    // Plasma numbers its screens, and so finds each one's wallpaper, in the order KWin announces.
    QStringList names;
    for (const QScreen* screen : TestSession::screensLeftToRight())
        names.append(screen->name());
    QCOMPARE(KdeOutputOrder::current(), names);
}

void TestKwin::hotKeysSwitchOverlays_data()
{
    QTest::addColumn<int>("userKey"); // what the user set for the cover in System Settings
    QTest::addColumn<Keys>("pressed");
    QTest::addColumn<bool>("hold"); // until the service repeats it
    QTest::addColumn<bool>("coverOn");
    QTest::addColumn<bool>("spotlightOn");

    const int chordD =
        QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier, Qt::Key_D)
            .toCombined();
    const int chordX = (chordD & ~Qt::Key_D) | Qt::Key_X;
    QTest::newRow("Ctrl+Alt+Super+D hides the icons")
        << chordD << Keys{ctrl, alt, super, keyD} << false << true << false;
    QTest::newRow("Ctrl+Alt+Super+S switches spotlight on")
        << chordD << Keys{ctrl, alt, super, keyS} << false << false << true;
    QTest::newRow("held until it repeats, switches once")
        << chordD << Keys{ctrl, alt, super, keyD} << true << true << false;
    QTest::newRow("the user's Ctrl+Alt+Super+X hides the icons")
        << chordX << Keys{ctrl, alt, super, keyX} << false << true << false;
    QTest::newRow("after the user moved it, Ctrl+Alt+Super+D does nothing")
        << chordX << Keys{ctrl, alt, super, keyD} << false << false << false;
}

void TestKwin::hotKeysSwitchOverlays()
{
    QFETCH(int, userKey);
    QFETCH(Keys, pressed);
    QFETCH(bool, hold);
    QFETCH(bool, coverOn);
    QFETCH(bool, spotlightOn);
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto callService = [&](const QString& path, const QString& interface,
                                 const QString& method, const QVariantList& args) {
        QDBusMessage call = QDBusMessage::createMethodCall(kglobalaccel, path, interface, method);
        call.setArguments(args);
        return bus.call(call);
    };
    // As System Settings sets it (a shortcut not registered yet is left alone).
    const QStringList coverAction{QStringLiteral("tavlin"), QStringLiteral("hotkey-1"),
                                  QStringLiteral("Tavlin"), QStringLiteral("Hide Desktop Icons")};
    QCOMPARE(callService(QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"),
                         QStringLiteral("setForeignShortcut"),
                         {coverAction, QVariant::fromValue(QList<int>{userKey})})
                 .type(),
             QDBusMessage::ReplyMessage);

    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    Spotlight spotlight(*m_settings, *m_images, m_services);
    {
        const std::unique_ptr<HotKeyGrabber> grabber =
            PlatformFactory::makeHotKeyGrabber(WindowServices{});
        HotKeys hotKeys(*grabber);
        hotKeys.registerHotKey(HotKeyChords::cover, QStringLiteral("Hide Desktop Icons"),
                               [&] { cover.toggleWithoutAnimation(); });
        hotKeys.registerHotKey(HotKeyChords::spotlight, QStringLiteral("Spotlight Mode"),
                               [&] { spotlight.toggleWithoutAnimation(); });
        QTRY_VERIFY(hotKeys.isActive(1) && hotKeys.isActive(2));
        // Every press the service reports, repeats included.
        QDBusInterface component(kglobalaccel, QStringLiteral("/component/tavlin"),
                                 QStringLiteral("org.kde.kglobalaccel.Component"));
        QSignalSpy presses(&component, SIGNAL(globalShortcutPressed(QString, QString, qlonglong)));
        QVERIFY(presses.isValid());
        QVERIFY(session().keys(true, pressed));
        if (hold)
            QTRY_VERIFY(presses.size() >= 3);
        Keys released = pressed;
        std::reverse(released.begin(), released.end());
        QVERIFY(session().keys(false, released));
        // Whatever the service said about these keys arrives before its answer to a later call.
        callService(QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"),
                    QStringLiteral("allComponents"), {});
        QCoreApplication::processEvents();
        QCOMPARE(cover.isOn(), coverOn);
        QCOMPARE(spotlight.isOn(), spotlightOn);
    }
    // Gone with the program: the chords reach other programs again.
    const QDBusMessage active = callService(QStringLiteral("/component/tavlin"),
                                            QStringLiteral("org.kde.kglobalaccel.Component"),
                                            QStringLiteral("isActive"), {});
    QCOMPARE(active.arguments(), QVariantList{false});
}

void TestKwin::cleanupTestCase()
{
    // Gone with the program: nothing of ours keeps running inside KWin.
    m_services = {};
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
        QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("isScriptLoaded"));
    ask.setArguments({QStringLiteral("tavlin-windows-%1").arg(QCoreApplication::applicationPid())});
    const QDBusMessage answer = QDBusConnection::sessionBus().call(ask);
    QCOMPARE(answer.arguments(), QVariantList{false});
}

int main(int argc, char** argv)
{
    KwinSession session;
    if (const QString missing = session.unavailableReason(); !missing.isEmpty())
        return sessionMissing(missing);
    return runInSession(argc, argv, session, "wayland", {}, execTests<TestKwin>);
}

#include "tst_kwin.moc"
