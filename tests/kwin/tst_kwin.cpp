// Our window script, spotlight mode and the cover on a real headless KWin: two outputs,
// Wayland test windows and X11 ones through Xwayland.

#include "backdrop/Backdrop.h"
#include "backdrop/DesktopCover.h"
#include "menu/HotKeyChords.h"
#include "menu/HotKeys.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "platform/wayland/kwin/KdeOutputOrder.h"
#include "spotlight/Spotlight.h"
#include "tests/kwin/KwinSession.h"
#include "tests/kwin/KwinTestMain.h"
#include "tests/session/PixelChecks.h"
#include "tests/session/WaitFor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tavlin;

namespace {

constexpr QRgb backdropColor = 0xff2050c0;
constexpr QRgb pinnedColor = 0xffe03030;
constexpr QRgb otherColor = 0xff30c040;
constexpr QRgb pressedColor = 0xffe0e040;
constexpr QRgb desktopColor = 0xffc0c0c0;
const QString pinnedApp = QStringLiteral("tavlin-kwin-pinned");

// Linux key codes, as fake input presses them.
using Keys = QList<int>;
constexpr int ctrl = 29, alt = 56, super = 125, shift = 42, keyD = 32, keyS = 31, keyX = 45;
const QString kglobalaccel = QStringLiteral("org.kde.kglobalaccel");

using pixels::shows;

bool showsEverywhere(const QRect& rect, QRgb color)
{
    return pixels::isUniform(session().grabScreen(), rect, QColor(color), 12);
}

} // namespace

// Every press KDE's shortcut service reports, repeats included.
class ShortcutPresses : public QObject
{
    Q_OBJECT
public:
    int count = 0;
public Q_SLOTS:
    void pressed() { ++count; }
};

class TestKwin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void reportsWindows_data();
    void reportsWindows();
    void spotlightFollowsAndLetsClicksThrough();
    void reminderOnTheActiveWindowsOutput_data();
    void reminderOnTheActiveWindowsOutput();
    void coverHidesDesktopWindows();
    void refusesReportsFromOthers();
    void coverShowsEachOutputsPlasmaWallpaper();
    void hotKeysSwitchOverlays_data();
    void hotKeysSwitchOverlays();
    void cleanupTestCase();

private:
    std::optional<WindowInfo> reported(qint64 pid);
    qint64 startX11Window(const QRect& rect, QRgb color, const QString& type = {});

    WindowServices m_services;
    std::unique_ptr<JsonSettingsStore> m_settings;
    std::unique_ptr<BackdropImages> m_images;
    QList<qint64> m_clients;
};

void TestKwin::initTestCase()
{
    const QString pictures = session().scratchPath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(pictures));
    QVERIFY(pixels::saveSolid(pictures + QStringLiteral("/bg-country-road.jpeg"), backdropColor));
    m_services = PlatformFactory::makeWindowServices();
    QCOMPARE(m_services.windowList->unavailableReason(), QString());
    m_images =
        std::make_unique<BackdropImages>(QStringList{pictures}, m_services.desktopPictures.get());
}

void TestKwin::init()
{
    const QString file = session().scratchPath() + QStringLiteral("/settings.json");
    QFile::remove(file);
    m_settings = std::make_unique<JsonSettingsStore>(file);
    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("bg-country-road.jpeg"));
    m_settings->setValue(QStringLiteral("spotlightApps"), QJsonArray{pinnedApp});
    m_settings->setValue(QStringLiteral("spotlightRemindsAboutNotifications"), false);
}

void TestKwin::cleanup()
{
    for (const qint64 pid : std::as_const(m_clients))
        session().stopProgram(pid);
    m_clients.clear();
    QVERIFY(waitFor([&] {
        const auto windows = m_services.windowList->windows();
        return windows && windows->isEmpty();
    }));
}

std::optional<WindowInfo> TestKwin::reported(qint64 pid)
{
    return ofProcess(m_services.windowList->windows().value_or(QList<WindowInfo>{}), pid);
}

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

void TestKwin::reportsWindows_data()
{
    QTest::addColumn<bool>("x11");
    QTest::newRow("Wayland window") << false;
    QTest::newRow("X11 window through Xwayland") << true;
}

void TestKwin::reportsWindows()
{
    QFETCH(bool, x11);
    const QRect first(100, 120, 300, 200);
    const QRect second(1200, 300, 320, 240); // on the other output
    qint64 pid = 0;
    if (x11) {
        pid = startX11Window(first, otherColor);
        QVERIFY(session().placeWindow(pid, first, QColor(otherColor)));
    } else {
        pid = session().startWindow(first, QColor(otherColor));
        m_clients.append(pid);
    }
    QVERIFY(pid);
    QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(first));
    QVERIFY(reported(pid)->ordinary);

    QSignalSpy changes(m_services.windowList.get(), &WindowList::changed);
    QVERIFY(session().moveWindow(pid, second));
    QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(second));
    QVERIFY(!changes.isEmpty());

    session().stopProgram(pid);
    m_clients.removeAll(pid);
    QTRY_VERIFY(!reported(pid));
}

void TestKwin::spotlightFollowsAndLetsClicksThrough()
{
    const QRect covered(600, 300, 300, 200);
    const qint64 otherPid = session().startWindow(
        covered, QColor(otherColor), QStringLiteral("tavlin-kwin-other"), QColor(pressedColor));
    QRect pinned(100, 100, 400, 300);
    const qint64 pinnedPid = session().startWindow(pinned, QColor(pinnedColor), pinnedApp);
    m_clients << otherPid << pinnedPid;
    QVERIFY(otherPid && pinnedPid);
    // KWin activates the window that opened last.
    const std::optional<qint32> frontmost = qint32(pinnedPid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), frontmost);

    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.toggleWithoutAnimation();
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return shows(screen, pinned.center(), pinnedColor) &&
               pixels::isUniform(screen, covered, QColor(backdropColor), 12) &&
               shows(screen, QPoint(1500, 400), backdropColor);
    }));
    // Our own overlays are no windows of others, and they take no focus.
    QVERIFY(!reported(QCoreApplication::applicationPid()));
    QCOMPARE(m_services.runningApps->frontmostPid(), frontmost);

    for (const QRect& moved : {QRect(150, 400, 400, 300), QRect(1300, 100, 400, 300)}) {
        QVERIFY(session().moveWindow(pinnedPid, moved));
        QVERIFY2(waitFor([&] {
                     const QImage screen = session().grabScreen();
                     return shows(screen, moved.center(), pinnedColor) &&
                            shows(screen, pinned.center(), backdropColor);
                 }),
                 qPrintable(QStringLiteral("no hole at %1,%2").arg(moved.x()).arg(moved.y())));
        pinned = moved;
    }

    QVERIFY(session().click(covered.center()));
    QTRY_VERIFY(session().outputOf(otherPid).contains("pressed"));
    spotlight.toggleWithoutAnimation();
    QVERIFY(waitFor([&] { return showsEverywhere(covered, pressedColor); }));
}

void TestKwin::reminderOnTheActiveWindowsOutput_data()
{
    QTest::addColumn<int>("output");
    QTest::newRow("active window on the left output") << 0;
    QTest::newRow("active window on the right output") << 1;
}

void TestKwin::reminderOnTheActiveWindowsOutput()
{
    QFETCH(int, output);
    const QList<QRect> outputs = session().outputRects();
    const QRect window(outputs[output].topLeft() + QPoint(100, 300), QSize(300, 200));
    const qint64 pid = session().startWindow(window, QColor(otherColor));
    m_clients.append(pid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(pid)));
    // KWin first puts it somewhere else; our script's report of the move may come after the
    // window shows there.
    QTRY_COMPARE(reported(pid).value_or(WindowInfo{}).bounds, QRectF(window));

    Spotlight spotlight(*m_settings, *m_images, m_services);
    spotlight.setRemindsAboutNotifications(true);
    spotlight.setOn(true);
    QVERIFY(spotlight.reminder().currentPanel());
    // The panel shows at the top centre of that output only.
    const auto topCentre = [&](int index) {
        return QRect(outputs[index].center().x() - 20, outputs[index].top() + 30, 40, 10);
    };
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return pixels::countDiffering(screen, topCentre(output), QColor(backdropColor), 12) > 0 &&
               pixels::isUniform(screen, topCentre(1 - output), QColor(backdropColor), 12);
    }));
    spotlight.setOn(false);
}

void TestKwin::coverHidesDesktopWindows()
{
    // Icons on both outputs, as a file manager's desktop draws them.
    const QList<QRect> outputs = session().outputRects();
    for (const QRect& output : outputs) {
        const qint64 pid = startX11Window(output, desktopColor, QStringLiteral("DESKTOP"));
        QVERIFY(pid);
    }
    QVERIFY(waitFor([&] { return showsEverywhere(QRect(1500, 600, 100, 100), desktopColor); }));
    const QRect window(300, 200, 400, 300);
    const qint64 windowPid = session().startWindow(window, QColor(otherColor));
    m_clients.append(windowPid);
    QVERIFY(windowPid);
    QTRY_COMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(windowPid)));

    DesktopCover cover(*m_settings, *m_images, *m_services.overlays, *m_services.workspace);
    cover.toggleWithoutAnimation();
    const auto coveredBelowWindow = [&] {
        const QImage screen = session().grabScreen();
        return pixels::isUniform(screen, QRect(20, 600, 200, 100), QColor(backdropColor), 12) &&
               pixels::isUniform(screen, QRect(1100, 100, 800, 500), QColor(backdropColor), 12) &&
               pixels::isUniform(screen, window.adjusted(1, 1, -1, -1), QColor(otherColor), 12);
    };
    QVERIFY(waitFor(coveredBelowWindow));
    QCOMPARE(m_services.runningApps->frontmostPid(), std::optional<qint32>(qint32(windowPid)));
    // Plasma's "Show Desktop" raises the desktop above everything while it lasts (the README
    // says so); afterwards the cover hides it again.
    const QString showDesktop = QStringLiteral("workspace.slotToggleShowDesktop(); done();");
    QVERIFY(session().runScript(showDesktop));
    QVERIFY(waitFor([&] { return showsEverywhere(QRect(300, 200, 400, 300), desktopColor); }));
    QVERIFY(session().runScript(showDesktop));
    QVERIFY(waitFor(coveredBelowWindow));
    cover.toggleWithoutAnimation();
    QVERIFY(waitFor([&] { return showsEverywhere(QRect(1500, 600, 100, 100), desktopColor); }));
}

void TestKwin::refusesReportsFromOthers()
{
    const qint64 pid = session().startWindow(QRect(100, 100, 200, 200), QColor(otherColor));
    m_clients.append(pid);
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

void TestKwin::coverShowsEachOutputsPlasmaWallpaper()
{
    // Plasma numbers its screens in the output order KWin announces.
    QList<QScreen*> screens;
    const QStringList order = KdeOutputOrder::current();
    for (const QString& name : order) {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == name)
                screens.append(screen);
        }
    }
    QCOMPARE(screens.size(), 2);
    const QString folder = session().scratchPath() + QStringLiteral("/plasma");
    QVERIFY(QDir().mkpath(folder));
    const QList<QRgb> colors{0xffd04080, 0xff40d0d0};
    QByteArray appletsrc;
    for (int number = 0; number < 2; ++number) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colors[number]);
        const QString file = folder + QStringLiteral("/screen%1.png").arg(number);
        QVERIFY(picture.save(file));
        appletsrc += QStringLiteral("[Containments][%1]\nlastScreen=%2\nwallpaperplugin=org.kde."
                                    "image\n\n[Containments][%1][Wallpaper][org.kde.image]["
                                    "General]\nImage=file://%3\n\n")
                         .arg(number + 5)
                         .arg(number)
                         .arg(file)
                         .toUtf8();
    }
    QFile config(qEnvironmentVariable("XDG_CONFIG_HOME") +
                 QStringLiteral("/plasma-org.kde.plasma.desktop-appletsrc"));
    QVERIFY(config.open(QIODevice::WriteOnly) && config.write(appletsrc) == appletsrc.size());
    config.close();

    m_settings->setValue(Backdrop::settingsKey(), QStringLiteral("wallpaper"));
    BackdropImages images({}, m_services.desktopPictures.get());
    DesktopCover cover(*m_settings, images, *m_services.overlays, *m_services.workspace);
    cover.toggleWithoutAnimation();
    QVERIFY(waitFor([&] {
        const QImage screen = session().grabScreen();
        return shows(screen, screens[0]->geometry().center(), colors[0]) &&
               shows(screen, screens[1]->geometry().center(), colors[1]);
    }));
    cover.toggleWithoutAnimation();
    QVERIFY(config.remove());
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
    QTest::newRow("Ctrl+Alt+D without Super does nothing")
        << chordD << Keys{ctrl, alt, keyD} << false << false << false;
    QTest::newRow("Ctrl+Alt+Super+Shift+D does nothing")
        << chordD << Keys{ctrl, alt, super, shift, keyD} << false << false << false;
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
        const std::unique_ptr<HotKeyGrabber> grabber = PlatformFactory::makeHotKeyGrabber(WindowServices{});
        HotKeys hotKeys(*grabber);
        hotKeys.registerHotKey(HotKeyChords::cover, QStringLiteral("Hide Desktop Icons"),
                               [&] { cover.toggleWithoutAnimation(); });
        hotKeys.registerHotKey(HotKeyChords::spotlight, QStringLiteral("Spotlight Mode"),
                               [&] { spotlight.toggleWithoutAnimation(); });
        QTRY_VERIFY(hotKeys.isActive(1) && hotKeys.isActive(2));
        // Listed in System Settings under our name.
        const QDBusMessage name = callService(
            QStringLiteral("/component/tavlin"), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"),
            {QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("friendlyName")});
        QCOMPARE(name.arguments().value(0).value<QDBusVariant>().variant(),
                 QVariant(QStringLiteral("Tavlin")));

        ShortcutPresses presses;
        QVERIFY(bus.connect(kglobalaccel, QStringLiteral("/component/tavlin"),
                            QStringLiteral("org.kde.kglobalaccel.Component"),
                            QStringLiteral("globalShortcutPressed"), &presses, SLOT(pressed())));
        QVERIFY(session().keys(true, pressed));
        if (hold)
            QTRY_VERIFY(presses.count >= 3);
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

TAVLIN_KWIN_TEST_MAIN(TestKwin)

#include "tst_kwin.moc"
