#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

// The tray items registered with the session bus's StatusNotifierWatcher and their menus, read
// over D-Bus as any tray host reads them.
namespace tavlin::TrayMenus {

// One item of an exported menu, as GetLayout describes it.
struct Node
{
    int id = 0;
    QVariantMap properties;
    QList<Node> children;
};

// The first registered item's menu: its bus name and object path, or nothing yet.
std::optional<std::pair<QString, QString>> firstMenu();
// The whole menu, or an empty node.
Node layout(const std::pair<QString, QString>& menu);
// Chooses the item `id`, as a host does when it is clicked.
void click(const std::pair<QString, QString>& menu, int id);

// The visible items as sent: "---" a separator, "(Label)" a disabled item, "Label*" one with an
// icon, "Label\tkeys" one with a key equivalent. Every host shows "__" as "_".
QStringList shown(const Node& menu);
std::optional<Node> child(const Node& menu, const QString& label);

} // namespace tavlin::TrayMenus
