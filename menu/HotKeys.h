#pragma once

#include "platform/HotKeyGrabber.h"
#include "platform/KeyChord.h"

#include <QList>
#include <QObject>
#include <functional>

namespace tavlin {

// The program's global hot keys: each registration pairs a chord with an action under an id,
// and a press of the chord runs the action. Registrations are never undone.
class HotKeys : public QObject
{
    Q_OBJECT

public:
    explicit HotKeys(HotKeyGrabber& grabber, QObject* parent = nullptr);

    // Ids count from 1 in registration order. The action keeps its id even when the chord is
    // refused (another program holds it); it then never runs from a key press.
    quint32 registerHotKey(const KeyChord& chord, const QString& description,
                           std::function<void()> action);
    // Runs the action registered under `id`; an unknown id does nothing.
    void handleHotKey(quint32 id);
    // Whether the chord registered under `id` is bound now. A grant that the system gives
    // later turns it on then.
    bool isActive(quint32 id) const;

Q_SIGNALS:
    void activeChanged(quint32 id);

private:
    void setActive(quint32 id, bool active);

    struct Entry
    {
        std::function<void()> action;
        bool active = false;
    };

    HotKeyGrabber& m_grabber;
    QList<Entry> m_entries; // id - 1 → entry
};

} // namespace tavlin
