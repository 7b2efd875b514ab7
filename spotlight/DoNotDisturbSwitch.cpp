#include "spotlight/DoNotDisturbSwitch.h"

#include "spotlight/DndRecord.h"
#include "spotlight/DndRule.h"

#include <QLoggingCategory>

namespace tavlin {

namespace {

Q_LOGGING_CATEGORY(dndLog, "tavlin.donotdisturb")

} // namespace

DoNotDisturbSwitch::DoNotDisturbSwitch(NotificationServices& services, StateFolder& state,
                                       ExitGuard& guard)
    : m_services(services), m_state(state), m_guard(guard)
{
}

DoNotDisturbSwitch::~DoNotDisturbSwitch()
{
    giveBack();
}

QString DoNotDisturbSwitch::unavailableReason()
{
    QString reason;
    return m_services.current(&reason) ? QString() : reason;
}

bool DoNotDisturbSwitch::switchOn()
{
    if (holds())
        return true;
    bool busy = false;
    m_lock = m_state.lock(DndRecord::lockName(), lockWaitMs, busy);
    if (!m_lock) {
        qCWarning(dndLog, "tavlin: Do Not Disturb left alone: %s",
                  busy ? "another Tavlin holds it" : "the state folder cannot be used");
        return false;
    }
    // What an instance that was killed left behind goes back before anything new is recorded.
    giveBackRecorded(m_services, m_state);
    std::unique_ptr<DoNotDisturb> dnd = m_services.current();
    const std::optional<DndState> found = dnd ? dnd->read() : std::nullopt;
    if (dnd && DndRule::switchesOn(found) && hold(*dnd, *found)) {
        if (dnd->endsWithConnection())
            m_connectionBound = std::move(dnd);
        return true;
    }
    m_lock.reset();
    return false;
}

bool DoNotDisturbSwitch::hold(DoNotDisturb& dnd, DndState found)
{
    if (dnd.endsWithConnection())
        return dnd.write(DndState::On);
    // Recorded, and guarded, before anything changes: whatever happens next can be given back.
    const DndRecord record{dnd.id(), dnd.keeper(), found};
    if (!m_state.replace(DndRecord::fileName(), record.encode())) {
        qCWarning(dndLog, "tavlin: Do Not Disturb left alone: cannot write %s",
                  m_state.pathOf(DndRecord::fileName()).constData());
        return false;
    }
    // Without a helper a kill would leave the user's notifications silenced until the next
    // start: then rather not at all.
    if (m_guard.arm() && dnd.write(DndState::On))
        return true;
    m_state.remove(DndRecord::fileName());
    m_guard.disarm();
    return false;
}

void DoNotDisturbSwitch::giveBack()
{
    if (!holds())
        return;
    if (m_connectionBound) {
        const DndRecord record{m_connectionBound->id(), QString(), DndState::Off};
        if (DndRule::giveBack(record, m_connectionBound->read(), QString()) ==
            DndRule::Verdict::Restore)
            m_connectionBound->write(DndState::Off);
        m_connectionBound.reset();
    } else {
        giveBackRecorded(m_services, m_state);
    }
    release();
}

void DoNotDisturbSwitch::release()
{
    // The helper wakes and finds nothing left to do; it waits for the lock to look.
    m_guard.disarm();
    m_lock.reset();
}

void DoNotDisturbSwitch::giveBackLeftover(NotificationServices& services, StateFolder& state,
                                          int waitMs)
{
    // Most starts find no record: they make no folder and take no lock.
    QByteArray data;
    if (state.read(DndRecord::fileName(), data) != StateFolder::Read::Ok)
        return;
    bool busy = false;
    const std::unique_ptr<HeldLock> lock = state.lock(DndRecord::lockName(), waitMs, busy);
    if (lock)
        giveBackRecorded(services, state);
}

void DoNotDisturbSwitch::giveBackRecorded(NotificationServices& services, StateFolder& state)
{
    QByteArray data;
    const StateFolder::Read read = state.read(DndRecord::fileName(), data);
    if (read == StateFolder::Read::Absent)
        return;
    const std::optional<DndRecord> record =
        read == StateFolder::Read::Ok ? DndRecord::decode(data) : std::nullopt;
    if (!record) {
        // Not written by this program, or not whole: what it meant cannot be known.
        qCWarning(dndLog, "tavlin: ignoring the unreadable Do Not Disturb record %s",
                  state.pathOf(DndRecord::fileName()).constData());
        if (read == StateFolder::Read::Ok)
            state.remove(DndRecord::fileName());
        return;
    }
    // The service it names, even when another one runs now: a settings store outlives its
    // notification service.
    const std::unique_ptr<DoNotDisturb> dnd = services.named(record->service);
    DndRule::Verdict verdict = DndRule::Verdict::LeaveAlone;
    if (dnd)
        verdict = DndRule::giveBack(*record, dnd->read(), dnd->keeper());
    if (verdict == DndRule::Verdict::Restore && !dnd->write(record->found))
        verdict = DndRule::Verdict::TryLater;
    if (verdict == DndRule::Verdict::TryLater)
        qCWarning(dndLog, "tavlin: cannot give back Do Not Disturb of %s now; will try again",
                  qPrintable(record->service));
    else
        state.remove(DndRecord::fileName());
}

} // namespace tavlin
