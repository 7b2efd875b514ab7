#pragma once

#include "backdrop/OverlayWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

namespace tavlin {

// One generation of overlays giving way to the next: the old ones leave only once every new one
// has reached the screen (and, for a cross-fade, `atLeastMs` after that, as the fade in starts
// there), so no frame between the two shows what lies beneath. Whatever the timers did (a
// stalled event loop fires them late and together), the new ones are opaque when the old go.
// Belongs to `owner`; deleting it retires the old at once.
class OverlayHandover : public QObject
{
    Q_OBJECT
public:
    // A surface that never tells of its first frame (a screen switched off) holds the old ones
    // this long at most.
    static constexpr int presentTimeoutMs = 1000;

    static void start(const QList<QPointer<OverlayWindow>>& old,
                      const QList<QPointer<OverlayWindow>>& successors, int atLeastMs,
                      QObject* owner);
    ~OverlayHandover() override;

private:
    OverlayHandover(const QList<QPointer<OverlayWindow>>& old,
                    const QList<QPointer<OverlayWindow>>& successors, QObject* owner);
    void arrived();
    void finish();

    QList<QPointer<OverlayWindow>> m_old;
    QList<QPointer<OverlayWindow>> m_successors;
    int m_waiting = 0; // new surfaces not yet on screen
    int m_atLeastMs = 0;
    QTimer m_timeout;
    bool m_finished = false;
};

} // namespace tavlin
