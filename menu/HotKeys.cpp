#include "menu/HotKeys.h"

namespace tavlin {

HotKeys::HotKeys(HotKeyGrabber& grabber, QObject* parent) : QObject(parent), m_grabber(grabber)
{
    connect(&grabber, &HotKeyGrabber::pressed, this, &HotKeys::handleHotKey);
    connect(&grabber, &HotKeyGrabber::answered, this, &HotKeys::setActive);
}

quint32 HotKeys::registerHotKey(const KeyChord& chord, const QString& description,
                                std::function<void()> action)
{
    const quint32 id = quint32(m_entries.size()) + 1;
    // Stored before the grab and kept when it is refused, so ids follow registration order.
    m_entries.append({std::move(action), false});
    // A pending grab may be answered before grab() returns; a refusal leaves it inactive.
    if (m_grabber.grab(id, chord, description) == HotKeyGrabber::Grant::Granted)
        setActive(id, true);
    return id;
}

void HotKeys::handleHotKey(quint32 id)
{
    if (id == 0 || id > quint32(m_entries.size()))
        return;
    // A copy: the action may register another hot key and so move the list.
    const std::function<void()> action = m_entries.at(id - 1).action;
    if (action)
        action();
}

bool HotKeys::isActive(quint32 id) const
{
    return id != 0 && id <= quint32(m_entries.size()) && m_entries.at(id - 1).active;
}

void HotKeys::setActive(quint32 id, bool active)
{
    if (id == 0 || id > quint32(m_entries.size()) || m_entries.at(id - 1).active == active)
        return;
    m_entries[id - 1].active = active;
    Q_EMIT activeChanged(id);
}

} // namespace tavlin
