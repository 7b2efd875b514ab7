#include "backdrop/OverlayHandover.h"

#include <memory>
#include <utility>

namespace tavlin {

OverlayHandover::OverlayHandover(const QList<QPointer<OverlayWindow>>& old,
                                 const QList<QPointer<OverlayWindow>>& successors, QObject* owner)
    : QObject(owner), m_old(old), m_successors(successors)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &OverlayHandover::finish);
    m_timeout.start(presentTimeoutMs);
}

OverlayHandover::~OverlayHandover()
{
    for (const QPointer<OverlayWindow>& window : std::as_const(m_old))
        delete window.data(); // the owner goes: no event loop may run again to delete them
}

void OverlayHandover::start(const QList<QPointer<OverlayWindow>>& old,
                            const QList<QPointer<OverlayWindow>>& successors, int atLeastMs,
                            QObject* owner)
{
    auto* handover = new OverlayHandover(old, successors, owner);
    for (const QPointer<OverlayWindow>& window : successors) {
        if (!window)
            continue;
        ++handover->m_waiting;
        // Once each: the first frame, or the end of a window that never showed one.
        auto done = std::make_shared<bool>(false);
        const auto arrive = [handover, done] {
            if (!std::exchange(*done, true))
                handover->arrived();
        };
        connect(&window->surface(), &OverlaySurface::presented, handover, arrive);
        connect(window.data(), &QObject::destroyed, handover, arrive);
    }
    handover->m_atLeastMs = atLeastMs;
    if (handover->m_waiting == 0)
        handover->finish();
}

void OverlayHandover::arrived()
{
    if (--m_waiting > 0)
        return;
    if (m_atLeastMs <= 0) {
        finish();
        return;
    }
    // All on screen: the wait for frames is over, the fade's own time starts.
    m_timeout.stop();
    QTimer::singleShot(m_atLeastMs, this, &OverlayHandover::finish);
}

void OverlayHandover::finish()
{
    if (std::exchange(m_finished, true))
        return;
    m_timeout.stop();
    for (const QPointer<OverlayWindow>& window : std::as_const(m_successors)) {
        if (window)
            window->completeFadeIn();
    }
    OverlayWindow::retire(m_old, false);
    m_old.clear();
    deleteLater();
}

} // namespace tavlin
