#pragma once

#include <QString>

namespace tavlin {

// Which symbol the tray shows: a finished tidy outranks everything for its short moment, then
// any overlay being up (cover or spotlight), then the plain eye.
QString traySymbolName(bool tidyJustFinished, bool coverOn, bool spotlightOn);

} // namespace tavlin
