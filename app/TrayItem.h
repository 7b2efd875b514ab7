#pragma once

#include "app/MenuBarIcons.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class QMenu;

namespace tavlin {

class AppModel;

// The program's one visible anchor: an icon in the system tray that shows at a glance whether
// an overlay is up or a tidy has just finished, and opens the menu on any click.
class TrayItem : public QObject
{
    Q_OBJECT
public:
    TrayItem(AppModel& model, QMenu* menu, QObject* parent = nullptr);

    QString symbolName() const { return m_symbol; }
    QSystemTrayIcon& trayIcon() { return m_tray; }

private:
    void updateIcon();
    void activated(QSystemTrayIcon::ActivationReason reason);

    AppModel& m_model;
    QMenu* m_menu;
    MenuBarIcons m_icons;
    QSystemTrayIcon m_tray;
    QString m_symbol;
};

} // namespace tavlin
