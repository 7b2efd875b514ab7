#pragma once

#include "platform/HotKeyGrabber.h"
#include "platform/x11/HotKeyMatch.h"

#include <QList>
#include <memory>
#include <optional>

namespace tavlin {

class X11Connection;

// Passive key grabs on the root window, one per state of Caps Lock and Num Lock, so that a
// chord works whichever of them is on. A new keyboard map can move a chord's key or Num Lock's
// modifier; the chords are then grabbed again where they now are.
class X11HotKeyGrabber : public HotKeyGrabber
{
    Q_OBJECT
public:
    explicit X11HotKeyGrabber(std::shared_ptr<X11Connection> connection, QObject* parent = nullptr);
    // Gives the chords back, so that other programs can take them.
    ~X11HotKeyGrabber() override;

    Grant grab(quint32 id, const KeyChord& chord, const QString& description) override;

private:
    struct Granted
    {
        quint32 id;
        KeyChord chord;
        bool grabbed; // false while the keyboard map has no key for it, or another holds it
    };

    quint8 keycodeOf(KeyPosition key) const;
    QList<quint16> lockCombinations() const;
    quint16 locks() const;
    bool grabInEveryLockState(quint8 keycode, quint16 modifiers);
    void ungrab(quint8 keycode, quint16 modifiers, const QList<quint16>& lockStates);
    void regrab();
    void handle(const X11KeyEvent& event);

    std::shared_ptr<X11Connection> m_connection;
    quint16 m_numLockMask = 0;
    QList<Granted> m_chords;    // what was granted, to grab again after a new keyboard map
    QList<X11HotKey> m_grabbed; // where those chords are grabbed now
    std::optional<X11KeyEvent> m_previous;
};

} // namespace tavlin
