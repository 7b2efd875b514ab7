// The real program as a user drives it: started with no arguments in a session with desktop
// icons and a compositor, before any tray runs; its icon clicked, its menu used from the keyboard,
// its hot key pressed, its command line pointed at it.
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace tavlin;

namespace {

const QString program = QStringLiteral(TAVLIN_PROGRAM);

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void iconAppearsOnceATrayStarts();
    void secondLaunchOpensNothingNew();
    void clickOpensTheMenu();
    void menuAndCommandLineSwitchTheCover();
    void hotKeyStartsSpotlightWithoutFade();
    void tidyThroughTheInstanceFlashesTheCheckMark();
    void launchAtLoginWritesAndRemovesTheEntry();
    void quitEndsTheProgram();

private:
    QRect trayIcon();
    QList<quint32> programWindows(const char* type = nullptr);
    QList<quint32> menuWindows();
    bool openMenu();
    bool chooseFromMenu(const QStringList& keys);
    QByteArray command(const QStringList& args, int* exitCode = nullptr);

    qint64 m_pid = 0;    // what the test started: faketime, which runs the program
    qint64 m_appPid = 0; // the program itself
    QRect m_icon;
};

void TestApp::initTestCase()
{
    // The session's Desktop holds three items, all old: the program runs ten days ahead.
    QVERIFY(session().writeHomeFile(QStringLiteral(".config/tavlin/settings.json"),
                                    "{\"desktopBookmark\": \"" +
                                        QFile::encodeName(session().desktopFolder()) +
                                        "\", \"spotlightRemindsAboutNotifications\": true}"));

    m_pid = session().startProgram(QStringLiteral("faketime"),
                                   {QStringLiteral("-f"), QStringLiteral("+10d"), program});
    QVERIFY(m_pid);
}

void TestApp::cleanupTestCase()
{
    if (m_pid && session().isRunning(m_pid))
        session().waitForExit(m_pid, 0);
}

QRect TestApp::trayIcon()
{
    const QImage screen = session().grabScreen();
    return pixels::trayIconIn(screen, screen.rect().adjusted(0, screen.height() - 30, 0, 0));
}

QList<quint32> TestApp::programWindows(const char* type)
{
    QList<quint32> windows = session().windowsOfProcess(m_appPid);
    const quint32 wanted = type ? session().probe().atom(type) : 0;
    windows.removeIf([&](quint32 window) {
        return type && !session().probe().values(window, "_NET_WM_WINDOW_TYPE").contains(wanted);
    });
    return windows;
}

// Qt gives its menus no window type of their own: a menu is the program's tall window.
QList<quint32> TestApp::menuWindows()
{
    QList<quint32> menus;
    for (const quint32 window : programWindows()) {
        if (session().probe().geometry(window).height() > 200 &&
            session().probe().geometry(window).width() < 900)
            menus.append(window);
    }
    return menus;
}

bool TestApp::openMenu()
{
    return session().xdotool(QStringLiteral("mousemove 300 300 sleep 0.2 mousemove %1 %2 click 1")
                                 .arg(m_icon.center().x())
                                 .arg(m_icon.center().y())) &&
           X11Session::waitFor([&] { return !menuWindows().isEmpty(); });
}

bool TestApp::chooseFromMenu(const QStringList& keys)
{
    return openMenu() && session().xdotool(QStringLiteral("key --delay 50 ") + keys.join(u' ')) &&
           X11Session::waitFor([&] { return menuWindows().isEmpty(); });
}

QByteArray TestApp::command(const QStringList& args, int* exitCode)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(20000);
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput().trimmed();
}

void TestApp::iconAppearsOnceATrayStarts()
{
    // Without a tray it keeps running and says so once.
    QVERIFY(X11Session::waitFor(
        [&] { return session().outputOf(m_pid).contains("no system tray yet"); }, 15000));
    QVERIFY(session().startTray());
    QVERIFY2(X11Session::waitFor([&] { return trayIcon().width() >= 10; }, 15000),
             "no gradient icon in the tray");
    m_icon = trayIcon();
    QByteArray pid;
    QVERIFY(session().run(QStringLiteral("pgrep"), QStringLiteral("-n -x tavlin").split(u' '), 5000,
                          &pid));
    m_appPid = pid.trimmed().toLongLong();
    QVERIFY(m_appPid > 0);
    QVERIFY(m_icon.height() >= 10 && m_icon.width() <= 40);
    QVERIFY(session().isRunning(m_pid));
    QCOMPARE(session().outputOf(m_pid).count("no system tray"), 1);
}

void TestApp::secondLaunchOpensNothingNew()
{
    const qint64 second = session().startProgram(program);
    QCOMPARE(session().waitForExit(second, 10000), std::optional<int>(0));
    QVERIFY(session().isRunning(m_pid));
}

void TestApp::clickOpensTheMenu()
{
    QVERIFY(openMenu());
    const QList<quint32> menus = menuWindows();
    const QRect menu = session().probe().geometry(menus.first());
    QVERIFY2(menu.width() > 150 && menu.height() > 200, "the menu is too small to hold its items");
    // On screen, not just mapped: the screenshot shows something other than the desktop there.
    QVERIFY(X11Session::waitFor([&] {
        return pixels::countDiffering(session().grabScreen(), menu,
                                      QColor(X11Session::desktopColor),
                                      8) > menu.width() * menu.height() / 2;
    }));
    QVERIFY(session().xdotool(QStringLiteral("key Escape")));
    QVERIFY(X11Session::waitFor([&] { return menuWindows().isEmpty(); }));
}

void TestApp::menuAndCommandLineSwitchTheCover()
{
    // The first item is "Hide Desktop Icons".
    QVERIFY(chooseFromMenu({QStringLiteral("Down"), QStringLiteral("Return")}));
    QVERIFY(X11Session::waitFor(
        [&] { return !programWindows("_NET_WM_WINDOW_TYPE_DESKTOP").isEmpty(); }));
    int exitCode = -1;
    QCOMPARE(command({QStringLiteral("cover"), QStringLiteral("toggle")}, &exitCode),
             QByteArray("off"));
    QCOMPARE(exitCode, 0);
    QVERIFY(X11Session::waitFor(
        [&] { return programWindows("_NET_WM_WINDOW_TYPE_DESKTOP").isEmpty(); }));
}

void TestApp::hotKeyStartsSpotlightWithoutFade()
{
    const QList<quint32> before = programWindows();
    QVERIFY(session().xdotool(QStringLiteral("key ctrl+alt+super+s")));
    QList<quint32> overlays;
    QVERIFY(X11Session::waitFor([&] {
        overlays.clear();
        for (const quint32 window : programWindows()) {
            if (!before.contains(window) && session().probe().geometry(window).width() >= 960)
                overlays.append(window);
        }
        return overlays.size() == 2;
    }));
    // Fully opaque from the first moment, and no reminder beside the two overlays.
    for (const quint32 overlay : overlays) {
        const std::optional<quint32> opacity =
            session().probe().cardinal(overlay, "_NET_WM_WINDOW_OPACITY");
        QVERIFY(!opacity || *opacity == 0xffffffff);
    }
    QCOMPARE(programWindows().size(), before.size() + 2);
    QVERIFY(session().xdotool(QStringLiteral("key ctrl+alt+super+s")));
    QVERIFY(X11Session::waitFor([&] { return programWindows().size() == before.size(); }));
}

void TestApp::tidyThroughTheInstanceFlashesTheCheckMark()
{
    // Everything on the Desktop but hidden items, which a tidy leaves alone.
    const qsizetype items =
        QDir(session().desktopFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size();
    QVERIFY(items >= 3);
    QCOMPARE(command({QStringLiteral("pending")}), QByteArray::number(items));
    const QImage eye = session().grabScreen().copy(m_icon);
    int exitCode = -1;
    command({QStringLiteral("tidy")}, &exitCode);
    QCOMPARE(exitCode, 0);
    QVERIFY(X11Session::waitFor([&] { return session().grabScreen().copy(m_icon) != eye; }));
    QVERIFY(X11Session::waitFor([&] { return session().grabScreen().copy(m_icon) == eye; }, 4000));
    QVERIFY(QDir(session().desktopFolder() + QStringLiteral("/Tavlin Archive")).exists());
    QTRY_COMPARE(command({QStringLiteral("pending")}), QByteArray("0"));
}

void TestApp::launchAtLoginWritesAndRemovesTheEntry()
{
    const QString entry =
        session().homePath() + QStringLiteral("/.config/autostart/tavlin.desktop");
    QVERIFY(!QFile::exists(entry));
    // Upwards from nothing selected: "Quit Tavlin", then "Launch at Login".
    const QStringList launchAtLogin{QStringLiteral("Up"), QStringLiteral("Up"),
                                    QStringLiteral("Return")};
    QVERIFY(chooseFromMenu(launchAtLogin));
    QVERIFY(X11Session::waitFor([&] { return QFile::exists(entry); }));
    QVERIFY(chooseFromMenu(launchAtLogin));
    QVERIFY(X11Session::waitFor([&] { return !QFile::exists(entry); }));
}

void TestApp::quitEndsTheProgram()
{
    // Upwards from nothing selected, the first item is "Quit Tavlin".
    QVERIFY(chooseFromMenu({QStringLiteral("Up"), QStringLiteral("Return")}));
    QCOMPARE(session().waitForExit(m_pid, 10000), std::optional<int>(0));
    m_pid = 0;
}

TAVLIN_X11_TEST_MAIN(TestApp, {.twoMonitors = true, .compositor = true, .desktopIcons = true})

#include "tst_app.moc"
