#include "app/TrayItem.h"

#include "app/AppModel.h"
#include "app/MenuBarSymbol.h"

#include <QCursor>
#include <QMenu>
#include <cstdio>

namespace tavlin {

TrayItem::TrayItem(AppModel& model, QMenu* menu, QObject* parent)
    : QObject(parent), m_model(model), m_menu(menu)
{
    m_tray.setToolTip(QStringLiteral("Tavlin"));
    m_tray.setContextMenu(menu);
    connect(&m_tray, &QSystemTrayIcon::activated, this, &TrayItem::activated);
    connect(&model.tidy(), &DesktopTidy::justFinishedChanged, this, &TrayItem::updateIcon);
    connect(&model.cover(), &DesktopCover::isOnChanged, this, &TrayItem::updateIcon);
    connect(&model.spotlight(), &Spotlight::isOnChanged, this, &TrayItem::updateIcon);
    updateIcon();

    // Without a tray the program stays useful through its hot keys and command line, and the
    // icon shows up by itself once a tray starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fputs("tavlin: no system tray yet; the icon will appear when one starts. The hot "
                   "keys and the command line work meanwhile.\n",
                   stderr);
    m_tray.show();
}

void TrayItem::updateIcon()
{
    const QString symbol = menuBarSymbolName(m_model.tidy().justFinished(), m_model.cover().isOn(),
                                             m_model.spotlight().isOn());
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    m_tray.setIcon(m_icons.icon(symbol));
}

void TrayItem::activated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click opens the context menu by itself; a left or middle click opens it too, as
    // a tray item with only a menu should.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
        m_menu->popup(QCursor::pos());
}

} // namespace tavlin
