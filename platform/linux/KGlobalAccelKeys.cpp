#include "platform/linux/KGlobalAccelKeys.h"

#include <QKeyCombination>

namespace tavlin::KGlobalAccelKeys {

int key(const KeyChord& chord)
{
    Qt::Key key = Qt::Key_unknown;
    switch (chord.key) {
    case KeyPosition::S:
        key = Qt::Key_S;
        break;
    case KeyPosition::D:
        key = Qt::Key_D;
        break;
    }
    if (key == Qt::Key_unknown)
        return 0;
    Qt::KeyboardModifiers modifiers;
    if (chord.modifiers & KeyModifier::Control)
        modifiers |= Qt::ControlModifier;
    if (chord.modifiers & KeyModifier::Alt)
        modifiers |= Qt::AltModifier;
    if (chord.modifiers & KeyModifier::Super)
        modifiers |= Qt::MetaModifier;
    if (chord.modifiers & KeyModifier::Shift)
        modifiers |= Qt::ShiftModifier;
    return QKeyCombination(modifiers, key).toCombined();
}

} // namespace tavlin::KGlobalAccelKeys

namespace tavlin::KGlobalAccelKeys {

bool isRepeat(std::optional<qint64> msSinceLast, bool releasedSince)
{
    // Well above the usual delay before a held key repeats (600 ms) and the gaps between
    // repeats; a press from a program (no release follows) then blocks the next one only
    // briefly.
    constexpr qint64 repeatGapMs = 1500;
    return msSinceLast && !releasedSince && *msSinceLast < repeatGapMs;
}

} // namespace tavlin::KGlobalAccelKeys
