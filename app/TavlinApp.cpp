#include "app/TavlinApp.h"

#include "app/AppModel.h"
#include "app/AppServices.h"
#include "app/TrayItem.h"
#include "menu/MenuView.h"

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

    AppServices services = AppServices::make();
    AppModel model(services);
    MenuView menu(model);
    TrayItem tray(model, menu.menu());
    return QApplication::exec();
}

} // namespace tavlin::TavlinApp
