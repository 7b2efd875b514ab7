#include "tidy/WorkerThread.h"

namespace tavlin {

WorkerThread::WorkerThread() : m_context(new QObject)
{
    m_thread.setObjectName(QStringLiteral("tidy worker"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

WorkerThread::~WorkerThread()
{
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

} // namespace tavlin
