// The real program beside a StatusNotifierItem host, xfce4-panel's status tray: its menu as any
// host reads it over D-Bus, and an item chosen in the menu the host draws from it.
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11Session.h"
#include "tests/x11/X11TestMain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QTest>
#include <optional>

using namespace tavlin;

namespace {

X11Session& session()
{
    return *X11Session::current();
}

QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return QDBusConnection::sessionBus().call(message);
}

QVariant busProperty(const QString& service, const QString& path, const QString& interface,
                     const QString& name)
{
    const QDBusMessage reply =
        call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {interface, name});
    return reply.arguments().isEmpty()
               ? QVariant()
               : qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

// One item of an exported menu, as GetLayout describes it.
struct MenuNode
{
    int id = 0;
    QVariantMap properties;
    QList<MenuNode> children;
};

MenuNode readNode(const QDBusArgument& argument)
{
    MenuNode node;
    argument.beginStructure();
    argument >> node.id >> node.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        node.children.append(readNode(qvariant_cast<QDBusArgument>(child.variant())));
    }
    argument.endArray();
    argument.endStructure();
    return node;
}

// The visible items as sent: "---" a separator, "(Label)" a disabled item, "Label*" one with an
// icon, "Label\tkeys" one with a key equivalent. Every host shows "__" as "_".
QStringList shown(const MenuNode& menu)
{
    QStringList items;
    for (const MenuNode& item : menu.children) {
        const QVariantMap& p = item.properties;
        if (!p.value(QStringLiteral("visible"), true).toBool())
            continue;
        if (p.value(QStringLiteral("type")).toString() == QStringLiteral("separator")) {
            items.append(QStringLiteral("---"));
            continue;
        }
        QString text = p.value(QStringLiteral("label")).toString();
        if (!p.value(QStringLiteral("enabled"), true).toBool())
            text = u'(' + text + u')';
        if (p.contains(QStringLiteral("icon-data")))
            text += u'*';
        if (p.contains(QStringLiteral("shortcut")))
            text += QStringLiteral("\tkeys");
        items.append(text);
    }
    return items;
}

std::optional<MenuNode> child(const MenuNode& menu, const QString& label)
{
    for (const MenuNode& item : menu.children) {
        if (item.properties.value(QStringLiteral("label")).toString() == label)
            return item;
    }
    return std::nullopt;
}

// The icon's gradient runs from pink to yellow: strong red, clearly less blue.
bool isIconPixel(QRgb pixel)
{
    return qRed(pixel) > 200 && qRed(pixel) - qBlue(pixel) > 70 && qGreen(pixel) < 235;
}

} // namespace

class TestTrayHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hostReadsTheMenu();
    void itemChosenInTheHostsMenu();

private:
    MenuNode layout();
    bool findMenu();

    QString m_service; // the program's item on the bus, and its menu
    QString m_menuPath;
};

void TestTrayHost::initTestCase()
{
    // An application whose name holds both characters a menu may take for a mnemonic.
    QVERIFY(session().startWindow(QRect(100, 100, 300, 200), Qt::darkCyan, 1.0, {},
                                  {.windowClass = QStringLiteral("Mail_Merge & Co")}));
    QVERIFY(session().startProgram(QStringLiteral(TAVLIN_PROGRAM)));
    QVERIFY2(X11Session::waitFor([&] { return findMenu(); }, 15000),
             "the program registered no item with the tray host");
}

bool TestTrayHost::findMenu()
{
    const QStringList items = busProperty(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                          QStringLiteral("/StatusNotifierWatcher"),
                                          QStringLiteral("org.kde.StatusNotifierWatcher"),
                                          QStringLiteral("RegisteredStatusNotifierItems"))
                                  .toStringList();
    if (items.isEmpty())
        return false;
    // "service/path", or the service alone for the usual path.
    const QString item = items.constFirst();
    const qsizetype slash = item.indexOf(u'/');
    m_service = slash < 0 ? item : item.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    m_menuPath = qvariant_cast<QDBusObjectPath>(
                     busProperty(m_service, path, QStringLiteral("org.kde.StatusNotifierItem"),
                                 QStringLiteral("Menu")))
                     .path();
    return !m_menuPath.isEmpty();
}

MenuNode TestTrayHost::layout()
{
    const QDBusMessage reply = call(m_service, m_menuPath, QStringLiteral("com.canonical.dbusmenu"),
                                    QStringLiteral("GetLayout"), {0, -1, QStringList()});
    return reply.arguments().size() == 2
               ? readNode(qvariant_cast<QDBusArgument>(reply.arguments().at(1)))
               : MenuNode();
}

void TestTrayHost::hostReadsTheMenu()
{
    QCOMPARE(shown(layout()).join(u'|'),
             QStringLiteral("(Recording)|Hide Desktop Icons\tkeys|Spotlight Mode\tkeys|"
                            "Spotlight Apps|Background|---|(Tidy)|Tidy Desktop\u2026|"
                            "(Undo Tidy)|File Items Older Than|Auto-Tidy Daily|"
                            "Show Archive in File Manager|---|Launch at Login|Quit Tavlin\tkeys"));
    QStringList apps;
    QVERIFY2(X11Session::waitFor([&] {
                 const std::optional<MenuNode> submenu =
                     child(layout(), QStringLiteral("Spotlight Apps"));
                 apps = submenu ? shown(*submenu) : QStringList();
                 return apps.join(u'|') ==
                        QStringLiteral("(None picked: uses the frontmost app)|---|"
                                       "Mail__Merge & Co*|---|Also Cover Menu Bar|"
                                       "Remind Me About Do Not Disturb");
             }),
             qPrintable(apps.join(u'|')));

    // Thumbnails are made when the host is about to show the pictures.
    const std::optional<MenuNode> background = child(layout(), QStringLiteral("Background"));
    QVERIFY(background);
    call(m_service, m_menuPath, QStringLiteral("com.canonical.dbusmenu"),
         QStringLiteral("AboutToShow"), {background->id});
    QVERIFY(X11Session::waitFor([&] {
        const std::optional<MenuNode> pictures = child(layout(), QStringLiteral("Background"));
        return pictures && shown(*pictures).mid(0, 4).join(u'|') ==
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
                 icon = QRect();
                 for (int y = screen.height() - 26; y < screen.height(); ++y) {
                     for (int x = 0; x < screen.width(); ++x) {
                         if (isIconPixel(screen.pixel(x, y)))
                             icon |= QRect(x, y, 1, 1);
                     }
                 }
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
        const std::optional<MenuNode> cover = child(layout(), QStringLiteral("Hide Desktop Icons"));
        return cover && cover->properties.value(QStringLiteral("toggle-state")).toInt() == 1;
    }));
}

TAVLIN_X11_TEST_MAIN(TestTrayHost, {.statusNotifierHost = true})

#include "tst_trayhost.moc"
