#include "tests/session/TrayMenus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace tavlin::TrayMenus {

namespace {

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

const QString dbusMenu = QStringLiteral("com.canonical.dbusmenu");

} // namespace

std::optional<std::pair<QString, QString>> firstMenu()
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    const QStringList items = busProperty(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                          watcher, QStringLiteral("RegisteredStatusNotifierItems"))
                                  .toStringList();
    if (items.isEmpty())
        return std::nullopt;
    // "service/path", or the service alone for the usual path.
    const QString item = items.constFirst();
    const qsizetype slash = item.indexOf(u'/');
    const QString service = slash < 0 ? item : item.left(slash);
    const QString path = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);
    const QString menu =
        qvariant_cast<QDBusObjectPath>(busProperty(service, path,
                                                   QStringLiteral("org.kde.StatusNotifierItem"),
                                                   QStringLiteral("Menu")))
            .path();
    if (menu.isEmpty())
        return std::nullopt;
    return std::pair(service, menu);
}

Node layout(const std::pair<QString, QString>& menu)
{
    const QDBusMessage reply = call(menu.first, menu.second, dbusMenu, QStringLiteral("GetLayout"),
                                    {0, -1, QStringList()});
    return reply.arguments().size() == 2
               ? readNode(qvariant_cast<QDBusArgument>(reply.arguments().at(1)))
               : Node();
}

void click(const std::pair<QString, QString>& menu, int id)
{
    call(menu.first, menu.second, dbusMenu, QStringLiteral("Event"),
         {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
}

QStringList shown(const Node& menu)
{
    QStringList items;
    for (const Node& item : menu.children) {
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

std::optional<Node> child(const Node& menu, const QString& label)
{
    for (const Node& item : menu.children) {
        if (item.properties.value(QStringLiteral("label")).toString() == label)
            return item;
    }
    return std::nullopt;
}

} // namespace tavlin::TrayMenus
