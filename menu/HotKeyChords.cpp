#include "menu/HotKeyChords.h"

namespace tavlin::HotKeyChords {

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
    return text + QKeySequence(qtKeys(chord).key()).toString();
}

QKeySequence shortcut(const KeyChord& chord)
{
    return QKeySequence(qtKeys(chord));
}

} // namespace tavlin::HotKeyChords
