#pragma once

#include "platform/KeyChord.h"

#include <QObject>
#include <QString>

namespace tavlin {

// Key chords taken for this program system-wide, whichever window has the keyboard.
class HotKeyGrabber : public QObject
{
    Q_OBJECT
public:
    // A key grab answers at once; a desktop service that binds shortcuts answers later.
    enum class Grant { Granted, Refused, Pending };

    using QObject::QObject;

    // Asks for `chord` and reports its presses under `id`; `description` says what it does, for
    // services that list shortcuts to the user. Refused when the system says no (another
    // program holds the chord, or there is no way to grab keys here): the chord then stays
    // with whoever has it. Pending until `answered` tells.
    virtual Grant grab(quint32 id, const KeyChord& chord, const QString& description) = 0;

Q_SIGNALS:
    // Once per physical press of a grabbed chord; key repeat while it is held does not count.
    void pressed(quint32 id);
    // A pending grab was decided, or a granted one was lost or came back (a new keyboard map).
    void answered(quint32 id, bool granted);
};

} // namespace tavlin
