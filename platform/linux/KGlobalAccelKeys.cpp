#include "platform/linux/KGlobalAccelKeys.h"

namespace tavlin::KGlobalAccelKeys {

int key(const KeyChord& chord)
{
    const QKeyCombination keys = qtKeys(chord);
    return keys.key() == Qt::Key_unknown ? 0 : keys.toCombined();
}

bool isRepeat(std::optional<qint64> msSinceLast, bool releasedSince)
{
    // Well above the usual delay before a held key repeats (600 ms) and the gaps between
    // repeats; a press from a program (no release follows) then blocks the next one only
    // briefly.
    constexpr qint64 repeatGapMs = 1500;
    return msSinceLast && !releasedSince && *msSinceLast < repeatGapMs;
}

} // namespace tavlin::KGlobalAccelKeys
