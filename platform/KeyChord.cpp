#include "platform/KeyChord.h"

namespace tavlin {

QKeyCombination qtKeys(const KeyChord& chord)
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
    Qt::KeyboardModifiers modifiers;
    if (chord.modifiers & KeyModifier::Control)
        modifiers |= Qt::ControlModifier;
    if (chord.modifiers & KeyModifier::Alt)
        modifiers |= Qt::AltModifier;
    if (chord.modifiers & KeyModifier::Super)
        modifiers |= Qt::MetaModifier;
    if (chord.modifiers & KeyModifier::Shift)
        modifiers |= Qt::ShiftModifier;
    return QKeyCombination(modifiers, key);
}

} // namespace tavlin
