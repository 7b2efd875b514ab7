#pragma once

#include "platform/KeyChord.h"

#include <QList>
#include <optional>

namespace tavlin {

// A chord as grabbed on the X server: a key code and the exact core modifier bits.
struct X11HotKey
{
    quint32 id = 0;
    quint8 keycode = 0;
    quint16 modifiers = 0;
};

// What matters of a core KeyPress or KeyRelease event.
struct X11KeyEvent
{
    bool press = true;
    quint8 keycode = 0;
    quint16 state = 0;
    quint32 time = 0;
};

// Which grabbed chord a key event stands for.
namespace HotKeyMatch {

// The core modifier bits of `modifiers`: Alt is Mod1 and Super Mod4, as on every usual map.
quint16 modifierMask(KeyModifiers modifiers);

// The id of the chord `event` presses, if any. `locks` are the modifier bits that are ignored
// (Lock and NumLock's). Only presses count, and only the first of a held key: `previous`, the
// key event seen before this one, tells a repeat apart, whether the server reports repeats
// as more presses or as release/press pairs sharing one timestamp.
std::optional<quint32> firingId(const QList<X11HotKey>& grabbed, const X11KeyEvent& event,
                                const std::optional<X11KeyEvent>& previous, quint16 locks);

} // namespace HotKeyMatch

} // namespace tavlin
