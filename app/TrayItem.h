#pragma once

#include "app/TrayIcons.h"
#include "app/TrayPath.h"
#include "platform/TrayHosts.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <memory>

class QMenu;

namespace tavlin {

class AppModel;

// The program's one visible anchor: an icon in the system tray that shows at a glance whether
// an overlay is up or a tidy has just finished, and opens the menu on any click.
class TrayItem : public QObject
{
    Q_OBJECT
public:
    // `hosts` tells where the icon can go; it must outlive the item.
    TrayItem(AppModel& model, QMenu* menu, TrayHosts& hosts, QObject* parent = nullptr);
    ~TrayItem() override;

    MenuPath menuPath() const { return m_menuPath; }

Q_SIGNALS:
    // Once, when the icon is made and it is known who draws the menu.
    void menuPathKnown(tavlin::MenuPath path);

private:
    void start();
    void updateIcon();
    void activated(QSystemTrayIcon::ActivationReason reason);
    void sayNoTrayYet();

    AppModel& m_model;
    QMenu* m_menu;
    TrayIcons m_icons;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    MenuPath m_menuPath = MenuPath::Drawn;
    QString m_symbol;
    bool m_saidNoTray = false;
};

} // namespace tavlin
