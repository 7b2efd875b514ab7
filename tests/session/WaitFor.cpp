#include "tests/session/WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace tavlin {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        if (!QCoreApplication::instance()) {
            QThread::msleep(5);
            continue;
        }
        // A loop that blocks, as the application's does: the platform sends what it buffered
        // (window opacity, stacking) only before it goes to sleep.
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace tavlin
