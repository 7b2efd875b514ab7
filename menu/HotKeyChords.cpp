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

QString text(const KeyChord& chord)
{
    QString text;
    if (chord.modifiers & KeyModifier::Shift)
        text += QLatin1String("Shift+");
    if (chord.modifiers & KeyModifier::Control)
        text += QLatin1String("Ctrl+");
    if (chord.modifiers & KeyModifier::Alt)
        text += QLatin1String("Alt+");
    if (chord.modifiers & KeyModifier::Super)
        text += QLatin1String("Super+");
    return text + QKeySequence(usKey(chord.key)).toString();
}

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
