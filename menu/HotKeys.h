#pragma once

#include "platform/HotKeyGrabber.h"
#include "platform/KeyChord.h"

#include <QList>
#include <QMetaObject>
#include <functional>

namespace tavlin {

// The program's global hot keys: each registration pairs a chord with an action under an id,
// and a press of the chord runs the action. Registrations are never undone.
class HotKeys
{
public:
    explicit HotKeys(HotKeyGrabber& grabber);
    ~HotKeys();
    HotKeys(const HotKeys&) = delete;
    HotKeys& operator=(const HotKeys&) = delete;

    // Ids count from 1 in registration order. The action keeps its id even when the chord is
    // refused (another program holds it); it then never runs from a key press.
    quint32 registerHotKey(const KeyChord& chord, std::function<void()> action);
    // Runs the action registered under `id`; an unknown id does nothing.
    void handleHotKey(quint32 id);
    // Whether the chord registered under `id` was granted.
    bool isActive(quint32 id) const;

private:
    struct Entry
    {
        std::function<void()> action;
        bool active = false;
    };

    HotKeyGrabber& m_grabber;
    QList<Entry> m_entries; // id - 1 → entry
    QMetaObject::Connection m_pressed;
};

} // namespace tavlin
