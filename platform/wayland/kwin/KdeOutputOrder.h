#pragma once

#include <QStringList>

namespace tavlin::KdeOutputOrder {

// The outputs' names in the order Plasma numbers its screens on Wayland (the user's output
// priority, as KWin announces it); empty where the compositor does not announce one. Asks the
// compositor over a connection of its own, so it may run on any thread.
QStringList current();

} // namespace tavlin::KdeOutputOrder
