#include "app/TrayItem.h"

#include "app/AppModel.h"
#include "app/TraySymbol.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <cstdio>

namespace tavlin {

TrayItem::TrayItem(AppModel& model, QMenu* menu, TrayHosts& hosts, QObject* parent)
    : QObject(parent), m_model(model), m_menu(menu)
{
    connect(&model.tidy(), &DesktopTidy::justFinishedChanged, this, &TrayItem::updateIcon);
    connect(&model.cover(), &DesktopCover::isOnChanged, this, &TrayItem::updateIcon);
    connect(&model.spotlight(), &Spotlight::isOnChanged, this, &TrayItem::updateIcon);
    updateIcon();

    if (TrayPath::canStart(QGuiApplication::platformName(), hosts.hasStatusNotifierHost())) {
        start();
        return;
    }
    sayNoTrayYet();
    connect(&hosts, &TrayHosts::statusNotifierHostStarted, this, &TrayItem::start);
}

TrayItem::~TrayItem() = default;

void TrayItem::start()
{
    if (m_tray)
        return;
    m_tray = std::make_unique<QSystemTrayIcon>();
    m_tray->setToolTip(QStringLiteral("Tavlin"));
    m_tray->setContextMenu(m_menu);
    // Qt gives the menu a platform menu exactly when it exports it to a tray host.
    m_menuPath = m_menu->platformMenu() ? MenuPath::Exported : MenuPath::Drawn;
    connect(m_tray.get(), &QSystemTrayIcon::activated, this, &TrayItem::activated);
    m_tray->setIcon(m_icons.icon(m_symbol));

    // Without a tray the program stays useful through its hot keys and command line, and the
    // icon shows up by itself once a tray starts.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        sayNoTrayYet();
    m_tray->show();
    Q_EMIT menuPathKnown(m_menuPath);
}

void TrayItem::updateIcon()
{
    const QString symbol = traySymbolName(m_model.tidy().justFinished(), m_model.cover().isOn(),
                                          m_model.spotlight().isOn());
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    if (m_tray)
        m_tray->setIcon(m_icons.icon(symbol));
}

void TrayItem::activated(QSystemTrayIcon::ActivationReason reason)
{
    // A right click opens the context menu by itself; a left or middle click opens it too, as
    // a tray item with only a menu should. A host that draws the menu itself has its own
    // click for it: a second menu, drawn here, would not match it.
    if (m_menuPath == MenuPath::Drawn &&
        (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick))
        m_menu->popup(QCursor::pos());
}

void TrayItem::sayNoTrayYet()
{
    if (m_saidNoTray)
        return;
    m_saidNoTray = true;
    std::fputs("tavlin: no system tray yet; the icon will appear when one starts. The hot "
               "keys and the command line work meanwhile.\n",
               stderr);
}

} // namespace tavlin
