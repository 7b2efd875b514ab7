#pragma once

#include "platform/KeyChord.h"

#include <optional>

// How KDE's global shortcut service names a chord, and how its presses are read.
namespace tavlin::KGlobalAccelKeys {

// Qt's code of the key as it types on a US layout, with Qt's modifier bits (Super is Meta);
// 0 for a key the service could not be given.
int key(const KeyChord& chord);

// The service repeats "pressed" while a chord is held, and says "released" only for a physical
// press. A press is a repeat when the last one of the same shortcut was handled less than 1.5
// seconds before it with no release since; `msSinceLast` is empty before the first press.
bool isRepeat(std::optional<qint64> msSinceLast, bool releasedSince);

} // namespace tavlin::KGlobalAccelKeys
