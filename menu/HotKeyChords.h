#pragma once

#include "platform/KeyChord.h"

#include <QKeySequence>

// The program's two global chords, registered at start and shown beside their menu items.
namespace tavlin::HotKeyChords {

inline constexpr KeyModifiers controlAltSuper =
    KeyModifier::Control | KeyModifier::Alt | KeyModifier::Super;

// Hides and shows the desktop icons.
inline constexpr KeyChord cover{KeyPosition::D, controlAltSuper};
// Switches spotlight mode.
inline constexpr KeyChord spotlight{KeyPosition::S, controlAltSuper};

// `chord` as keys for a tray host, which names them in its own words: Super is what Qt calls Meta.
QKeySequence shortcut(const KeyChord& chord);

// `chord` in the words and order Linux desktops write it: "Ctrl+Alt+Super+D". Qt's own text,
// "Meta+Ctrl+Alt+D", names the Super key after another platform's.
QString text(const KeyChord& chord);

} // namespace tavlin::HotKeyChords
