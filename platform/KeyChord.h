#pragma once

#include <QFlags>
#include <QKeyCombination>
#include <QtGlobal>

namespace tavlin {

// A physical key, named after what it types on a US layout. The values are the Linux input
// key codes, so a chord stays on the same key whatever layout the user types with.
enum class KeyPosition : quint16 {
    S = 31,
    D = 32,
};

enum class KeyModifier : quint8 {
    Control = 0x1,
    Alt = 0x2,
    Super = 0x4,
    Shift = 0x8,
};
Q_DECLARE_FLAGS(KeyModifiers, KeyModifier)
Q_DECLARE_OPERATORS_FOR_FLAGS(KeyModifiers)

// A key pressed with exactly these modifiers held.
struct KeyChord
{
    KeyPosition key;
    KeyModifiers modifiers;

    friend constexpr bool operator==(const KeyChord&, const KeyChord&) = default;
};

// The chord as Qt names it: the key by what it types on a US layout (which is how shortcuts name
// keys), Super as Meta. An unknown key gives Qt::Key_unknown.
QKeyCombination qtKeys(const KeyChord& chord);

} // namespace tavlin
