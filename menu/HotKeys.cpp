#include "menu/HotKeys.h"

namespace tavlin {

HotKeys::HotKeys(HotKeyGrabber& grabber)
    : m_grabber(grabber), m_pressed(QObject::connect(&grabber, &HotKeyGrabber::pressed,
                                                     [this](quint32 id) { handleHotKey(id); }))
{
}

HotKeys::~HotKeys()
{
    QObject::disconnect(m_pressed);
}

quint32 HotKeys::registerHotKey(const KeyChord& chord, std::function<void()> action)
{
    const quint32 id = quint32(m_entries.size()) + 1;
    // Stored before the grab and kept when it is refused, so ids follow registration order.
    m_entries.append({std::move(action), false});
    m_entries.last().active = m_grabber.grab(id, chord);
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

} // namespace tavlin
