#include "app/TrayPath.h"

namespace tavlin::TrayPath {

bool canStart(QStringView platformName, bool statusNotifierHost)
{
    // Qt's XEmbed icon waits for a tray by itself.
    return statusNotifierHost || platformName.compare(u"xcb", Qt::CaseInsensitive) == 0;
}

} // namespace tavlin::TrayPath
