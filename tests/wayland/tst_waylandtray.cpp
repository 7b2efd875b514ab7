// The real program on sway with waybar's tray, a StatusNotifierItem host: started before any
// tray runs, its icon shows once waybar starts, and its menu reaches the host, the running
// applications sway reports included, named after their desktop files; one is pinned from there.
#include "tests/session/PixelChecks.h"
#include "tests/wayland/WaylandSession.h"
#include "tests/wayland/WaylandTestMain.h"

#include <QDBusArgument>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTest>

using namespace tavlin;

namespace {

// A bar along the top of the first output holding nothing but the tray.
constexpr char waybarConfig[] = R"({"layer": "top", "position": "top", "height": 28,
"output": "HEADLESS-1", "modules-right": ["tray"], "tray": {"icon-size": 22}})";
constexpr char waybarStyle[] = "window#waybar { background: #e0e0e0; }\n";

const QString program = QStringLiteral(TAVLIN_PROGRAM);

// The tray item's menu as a host reads it over D-Bus: its bus name and object path.
using Menu = std::pair<QString, QString>;

// One item of the menu, as GetLayout describes it.
struct Node
{
    int id = 0;
    QVariantMap properties;
    QList<Node> children;
};

Node readNode(const QDBusArgument& argument)
{
    Node node;
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

// The menu of the first item registered with the StatusNotifierWatcher, or nothing yet.
std::optional<Menu> firstMenu()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QStringList items =
        QDBusInterface(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher)
            .property("RegisteredStatusNotifierItems")
            .toStringList();
    if (items.isEmpty())
        return std::nullopt;
    // "service/path", or the service alone for the usual path.
    const QString item = items.constFirst();
    const qsizetype slash = item.indexOf(u'/');
    const QString service = item.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    const QString menu = QDBusInterface(service, path, QStringLiteral("org.kde.StatusNotifierItem"))
                             .property("Menu")
                             .value<QDBusObjectPath>()
                             .path();
    if (menu.isEmpty())
        return std::nullopt;
    return Menu(service, menu);
}

QDBusInterface menuInterface(const Menu& menu)
{
    return QDBusInterface(menu.first, menu.second, QStringLiteral("com.canonical.dbusmenu"));
}

// The whole menu, or an empty node.
Node layout(const Menu& menu)
{
    const QDBusMessage reply =
        menuInterface(menu).call(QStringLiteral("GetLayout"), 0, -1, QStringList());
    return reply.arguments().size() == 2
               ? readNode(qvariant_cast<QDBusArgument>(reply.arguments().at(1)))
               : Node();
}

// Chooses the item `id`, as a host does when it is clicked.
void click(const Menu& menu, int id)
{
    menuInterface(menu).call(QStringLiteral("Event"), id, QStringLiteral("clicked"),
                             QVariant::fromValue(QDBusVariant(0)), 0u);
}

std::optional<Node> child(const Node& menu, const QString& label)
{
    for (const Node& item : menu.children) {
        if (item.properties.value(QStringLiteral("label")).toString() == label)
            return item;
    }
    return std::nullopt;
}

} // namespace

class TestWaylandTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The pinned test window's app id names a desktop file, as a Wayland app id should.
        QVERIFY(session().writeHomeFile(
            QStringLiteral(".local/share/applications/tavlin-pinned.desktop"),
            "[Desktop Entry]\nType=Application\nName=Pinned Notes\nExec=true\n"));
    }

    void iconShowsOnceATrayStarts()
    {
        const qint64 pid = session().startProgram(program);
        QVERIFY(pid);
        QVERIFY(WaylandSession::waitFor(
            [&] { return session().outputOf(pid).contains("no system tray yet"); }, 10000));

        QVERIFY(session().writeHomeFile(QStringLiteral(".config/waybar/config"), waybarConfig));
        QVERIFY(session().writeHomeFile(QStringLiteral(".config/waybar/style.css"), waybarStyle));
        QVERIFY(session().startProgram(QStringLiteral("waybar")));
        std::optional<Menu>& menu = m_menu;
        QVERIFY2(WaylandSession::waitFor([&] { return (menu = firstMenu()).has_value(); }, 15000),
                 "the program registered no item once waybar ran");
        QVERIFY2(WaylandSession::waitFor(
                     [&] {
                         const QRect icon =
                             pixels::trayIconIn(session().grabScreen(), QRect(0, 0, 1024, 28));
                         return icon.width() >= 10 && icon.height() >= 10;
                     },
                     10000),
                 "no gradient icon in waybar's tray");

        // No portal binds global shortcuts here: one line says how to bind the command line.
        QCOMPARE(session().outputOf(pid).count("global shortcuts"), 1);
    }

    void runningAppsArePinnedFromTheMenu()
    {
        QVERIFY(m_menu);
        QVERIFY(
            session().startWindow({560, 220, 360, 260}, Qt::blue, QStringLiteral("tavlin-pinned")));
        QVERIFY(
            session().startWindow({60, 300, 360, 260}, Qt::yellow, QStringLiteral("tavlin-other")));
        std::optional<Node> row;
        const auto appRow = [&] {
            const std::optional<Node> apps =
                child(layout(*m_menu), QStringLiteral("Spotlight Apps"));
            row = apps ? child(*apps, QStringLiteral("Pinned Notes")) : std::nullopt;
            return row && child(*apps, QStringLiteral("tavlin-other"));
        };
        QVERIFY2(WaylandSession::waitFor(appRow), "no rows for the running test windows");
        QCOMPARE(row->properties.value(QStringLiteral("toggle-state")).toInt(), 0);
        click(*m_menu, row->id);
        QVERIFY(WaylandSession::waitFor([&] {
            return appRow() && row->properties.value(QStringLiteral("toggle-state")).toInt() == 1;
        }));
    }

private:
    std::optional<Menu> m_menu;
};

TAVLIN_WAYLAND_TEST_MAIN(TestWaylandTray, {.outputs = 1})

#include "tst_waylandtray.moc"
