#pragma once

#include <QObject>
#include <QThread>

namespace tavlin {

// One thread that runs jobs one after another in the order they were given, and hands each
// result to a receiver on the receiver's own thread, in the same order.
class WorkerThread
{
public:
    WorkerThread();
    // Lets the job at hand finish; jobs not begun are dropped.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // `work()` runs on the worker; `done(result)` then runs on `receiver`'s thread, unless the
    // receiver is gone by then. Both are copied.
    template <typename Work, typename Done> void run(QObject* receiver, Work work, Done done)
    {
        QMetaObject::invokeMethod(
            m_context,
            [receiver, work, done] {
                auto result = work();
                QMetaObject::invokeMethod(
                    receiver, [done, result] { done(result); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    }

private:
    QThread m_thread;
    QObject* m_context; // lives on the worker
};

} // namespace tavlin
