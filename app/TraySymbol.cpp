#include "app/TraySymbol.h"

namespace tavlin {

QString traySymbolName(bool tidyJustFinished, bool coverOn, bool spotlightOn)
{
    if (tidyJustFinished)
        return QStringLiteral("checkmark.circle.fill");
    if (coverOn || spotlightOn)
        return QStringLiteral("eye.slash.fill");
    return QStringLiteral("eye.fill");
}

} // namespace tavlin
