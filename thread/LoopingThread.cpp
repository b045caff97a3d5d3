#include "thread/LoopingThread.h"

#include "base/Trace.h"

namespace corvane {

LoopingThread::LoopingThread(const char* name) : Thread(name, 1, 2) {}

void LoopingThread::run()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state = Running;
    }
    onStart();
    while (!m_stopRequested) {
        if (waitWhileSuspended())
            break;
        step();
    }
    onFinish();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = Idle;
}

bool LoopingThread::waitWhileSuspended()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state != Suspended)
        return false;
    traceMessage("%s: Thread suspended.", getName());
    // The stop request is checked under the mutex that stop() takes before
    // it looks at the state, so a stop can never slip in unseen.
    while (m_state == Suspended && !m_stopRequested)
        m_condition.wait();
    traceMessage("%s: Thread resumed.", getName());
    return m_stopRequested;
}

void LoopingThread::stop()
{
    m_stopRequested = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Suspended) {
        m_condition.signal();
        m_state = Running;
    }
}

void LoopingThread::suspend()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Running)
        m_state = Suspended;
}

void LoopingThread::resume()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_state == Suspended) {
        m_condition.signal();
        m_state = Running;
    }
}

} // namespace corvane
