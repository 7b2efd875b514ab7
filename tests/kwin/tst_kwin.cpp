// Our window script, spotlight mode and the cover on a real headless KWin: two outputs,
// Wayland test windows and X11 ones through Xwayland.

#include "backdrop/Backdrop.h"
#include "backdrop/DesktopCover.h"
#include "platform/PlatformFactory.h"
#include "platform/linux/JsonSettingsStore.h"
#include "spotlight/Spotlight.h"
#include "tests/kwin/KwinSession.h"
#include "tests/kwin/KwinTestMain.h"
#include "tests/session/PixelChecks.h"
#include "tests/session/WaitFor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QJsonArray>
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

using pixels::shows;

bool showsEverywhere(const QRect& rect, QRgb color)
{
    return pixels::isUniform(session().grabScreen(), rect, QColor(color), 12);
}

} // namespace

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
