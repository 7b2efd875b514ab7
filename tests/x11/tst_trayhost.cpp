// The real program beside a StatusNotifierItem host, xfce4-panel's status tray: its menu as any
// host reads it over D-Bus, and an item chosen in the menu the host draws from it.
#include "tests/session/PixelChecks.h"
#include "tests/session/TrayMenus.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QTest>
#include <optional>

using namespace tavlin;

class TestTrayHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostReadsTheMenu();
    void itemChosenInTheHostsMenu();

private:
    TrayMenus::Node layout() { return TrayMenus::layout(m_menu); }

    std::pair<QString, QString> m_menu; // the program's menu on the bus
};

void TestTrayHost::initTestCase()
{
    // An application whose name holds both characters a menu may take for a mnemonic.
    QVERIFY(session().startWindow(QRect(100, 100, 300, 200), Qt::darkCyan, 1.0, {},
                                  {.windowClass = QStringLiteral("Mail_Merge & Co")}));
    QVERIFY(session().startProgram(QStringLiteral(TAVLIN_PROGRAM)));
    QVERIFY2(X11Session::waitFor(
                 [&] {
                     m_menu = TrayMenus::firstMenu().value_or(m_menu);
                     return !m_menu.first.isEmpty();
                 },
                 15000),
             "the program registered no item with the tray host");
}

void TestTrayHost::hostReadsTheMenu()
{
    QCOMPARE(TrayMenus::shown(layout()).join(u'|'),
             QStringLiteral("(Recording)|Hide Desktop Icons\tkeys|Spotlight Mode\tkeys|"
                            "Spotlight Apps|Background|---|(Tidy)|Tidy Desktop\u2026|"
                            "(Undo Tidy)|File Items Older Than|Auto-Tidy Daily|"
                            "Show Archive in File Manager|---|Launch at Login|Quit Tavlin\tkeys"));
    QStringList apps;
    QVERIFY2(X11Session::waitFor([&] {
                 const std::optional<TrayMenus::Node> submenu =
                     TrayMenus::child(layout(), QStringLiteral("Spotlight Apps"));
                 apps = submenu ? TrayMenus::shown(*submenu) : QStringList();
                 return apps.join(u'|') ==
                        QStringLiteral("(None picked: uses the frontmost app)|---|"
                                       "Mail__Merge & Co*|---|Also Cover Menu Bar|"
                                       "Remind Me About Do Not Disturb|"
                                       "(Turn On Do Not Disturb)|"
                                       "(No notification service is running)");
             }),
             qPrintable(apps.join(u'|')));

    // Thumbnails are made when the host is about to show the pictures.
    const std::optional<TrayMenus::Node> background =
        TrayMenus::child(layout(), QStringLiteral("Background"));
    QVERIFY(background);
    TrayMenus::aboutToShow(m_menu, background->id);
    QVERIFY(X11Session::waitFor([&] {
        const std::optional<TrayMenus::Node> pictures =
            TrayMenus::child(layout(), QStringLiteral("Background"));
        return pictures && TrayMenus::shown(*pictures).mid(0, 4).join(u'|') ==
                               QStringLiteral("Match Wallpaper|Soft Gradient|---|Country Road*");
    }));
}

void TestTrayHost::itemChosenInTheHostsMenu()
{
    // The icon sits in the panel along the bottom edge.
    QImage screen;
    QRect icon;
    QVERIFY2(X11Session::waitFor([&] {
                 screen = session().grabScreen();
                 icon = pixels::trayIconIn(screen,
                                           screen.rect().adjusted(0, screen.height() - 26, 0, 0));
                 return icon.width() >= 10;
             }),
             "no gradient icon in the panel");
    const QRect above(icon.left(), screen.height() - 200, 150, 150);
    const auto menuShown = [&] {
        return pixels::countDiffering(session().grabScreen(), above, QColor(Qt::black), 40) >
               above.width() * above.height() / 2;
    };
    QVERIFY(!menuShown());
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(icon.center().x()),
                           QString::number(icon.center().y()), QStringLiteral("click"),
                           QStringLiteral("3")}));
    QVERIFY2(X11Session::waitFor(menuShown), "the host showed no menu");

    // The first item that can be chosen is "Hide Desktop Icons": the header above it cannot.
    QVERIFY(session().run(QStringLiteral("xdotool"),
                          {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"),
                           QStringLiteral("Down"), QStringLiteral("Return")}));
    QVERIFY(X11Session::waitFor([&] {
        const std::optional<TrayMenus::Node> cover =
            TrayMenus::child(layout(), QStringLiteral("Hide Desktop Icons"));
        return cover && cover->properties.value(QStringLiteral("toggle-state")).toInt() == 1;
    }));
}

TAVLIN_X11_TEST_MAIN(TestTrayHost, {.statusNotifierHost = true})

#include "tst_trayhost.moc"
