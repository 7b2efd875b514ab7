#include "menu/HotKeyChords.h"

namespace tavlin::HotKeyChords {

namespace {

// What the key types on a US layout, which is how shortcuts name keys.
Qt::Key usKey(KeyPosition key)
{
    switch (key) {
    case KeyPosition::S:
        return Qt::Key_S;
    case KeyPosition::D:
        return Qt::Key_D;
    }
    return Qt::Key_unknown;
}

} // namespace

QKeySequence shortcut(const KeyChord& chord)
{
    Qt::KeyboardModifiers modifiers;
    if (chord.modifiers & KeyModifier::Control)
        modifiers |= Qt::ControlModifier;
    if (chord.modifiers & KeyModifier::Alt)
        modifiers |= Qt::AltModifier;
    if (chord.modifiers & KeyModifier::Super)
        modifiers |= Qt::MetaModifier;
    if (chord.modifiers & KeyModifier::Shift)
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, usKey(chord.key)));
}

} // namespace tavlin::HotKeyChords
