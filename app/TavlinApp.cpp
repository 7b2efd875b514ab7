#include "app/TavlinApp.h"

#include "app/AppModel.h"
#include "app/AppServices.h"
#include "app/RemoteClient.h"
#include "app/RemoteControl.h"
#include "app/TrayItem.h"
#include "menu/MenuView.h"
#include "platform/PlatformFactory.h"

#include <QApplication>

namespace tavlin::TavlinApp {

int run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavlin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavlin"));
    QApplication::setApplicationVersion(QStringLiteral(TAVLIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tavlin"));
    // Overlays and the reminder come and go; only "Quit Tavlin" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    // One per session: a second launch hands over to the running one and opens nothing new.
    if (RemoteClient::activate() || !RemoteControl::claimName())
        return 0;
    AppServices services = AppServices::make();
    AppModel model(services);
    RemoteControl remote(model, services); // after the model, so it goes first
    if (!remote.registerInstance())
        return 0;
    MenuView menu(model);
    const std::unique_ptr<TrayHosts> trayHosts = PlatformFactory::makeTrayHosts();
    TrayItem tray(model, menu.menu(), *trayHosts);
    // Known at once where a tray runs; otherwise once a tray host starts.
    menu.setPath(tray.menuPath());
    QObject::connect(&tray, &TrayItem::menuPathKnown, &menu, &MenuView::setPath);
    return QApplication::exec();
}

} // namespace tavlin::TavlinApp
