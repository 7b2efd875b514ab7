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

// How a menu shows `chord`: Super is what Qt calls Meta.
QKeySequence shortcut(const KeyChord& chord);

} // namespace tavlin::HotKeyChords
