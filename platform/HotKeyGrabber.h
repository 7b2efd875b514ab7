#pragma once

#include "platform/KeyChord.h"

#include <QObject>

namespace tavlin {

// Key chords taken for this program system-wide, whichever window has the keyboard.
class HotKeyGrabber : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes `chord` and reports its presses under `id`. False when the system refuses it
    // (another program holds the chord, or there is no way to grab keys here); the chord then
    // stays with whoever has it.
    virtual bool grab(quint32 id, const KeyChord& chord) = 0;

Q_SIGNALS:
    // Once per physical press of a grabbed chord; key repeat while it is held does not count.
    void pressed(quint32 id);
};

} // namespace tavlin
