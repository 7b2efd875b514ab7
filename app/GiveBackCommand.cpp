#include "app/GiveBackCommand.h"

#include "platform/PlatformFactory.h"
#include "spotlight/DoNotDisturbSwitch.h"

#include <QCoreApplication>

namespace tavlin::GiveBackCommand {

int run(int argc, char** argv)
{
    PlatformFactory::waitForGuardedProcess();
    // Connected to the bus only now, and only for this: nothing of it lingers while waiting.
    QCoreApplication app(argc, argv);
    CoreServices core = PlatformFactory::makeCoreServices();
    const std::unique_ptr<NotificationServices> services =
        PlatformFactory::makeNotificationServices();
    DoNotDisturbSwitch::giveBackLeftover(*services, *core.state);
    return 0;
}

} // namespace tavlin::GiveBackCommand
