#include "platform/x11/HotKeyMatch.h"

namespace tavlin::HotKeyMatch {

namespace {

// The core protocol's key modifier bits: Shift, Lock, Control and Mod1 to Mod5. The bits
// above them are mouse buttons and the XKB group, which a chord does not care about.
constexpr quint16 shiftMask = 0x01;
constexpr quint16 controlMask = 0x04;
constexpr quint16 mod1Mask = 0x08;
constexpr quint16 mod4Mask = 0x40;
constexpr quint16 keyModifierBits = 0xff;

bool isRepeat(const X11KeyEvent& event, const std::optional<X11KeyEvent>& previous)
{
    return previous && previous->keycode == event.keycode &&
           (previous->press || previous->time == event.time);
}

} // namespace

quint16 modifierMask(KeyModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers & KeyModifier::Control)
        mask |= controlMask;
    if (modifiers & KeyModifier::Alt)
        mask |= mod1Mask;
    if (modifiers & KeyModifier::Super)
        mask |= mod4Mask;
    if (modifiers & KeyModifier::Shift)
        mask |= shiftMask;
    return mask;
}

std::optional<quint32> firingId(const QList<X11HotKey>& grabbed, const X11KeyEvent& event,
                                const std::optional<X11KeyEvent>& previous, quint16 locks)
{
    if (!event.press || isRepeat(event, previous))
        return std::nullopt;
    const quint16 held = event.state & keyModifierBits & ~locks;
    for (const X11HotKey& hotKey : grabbed) {
        if (hotKey.keycode == event.keycode && hotKey.modifiers == held)
            return hotKey.id;
    }
    return std::nullopt;
}

} // namespace tavlin::HotKeyMatch
