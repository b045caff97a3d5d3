#include "thread/Condition.h"

#include <chrono>

namespace corvane {

uint32_t Condition::tickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Condition::wait()
{
    // The caller holds the mutex; adopt it for the wait and hand it back.
    std::unique_lock<std::mutex> lock(m_mutex, std::adopt_lock);
    const uint64_t generation = m_generation;
    ++m_waiters;
    while (m_signals == 0 && m_generation == generation)
        m_event.wait(lock);
    if (m_generation == generation) {
        --m_signals;
        --m_waiters;
    }
    lock.release();
}

bool Condition::timedWait(int32_t milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex, std::adopt_lock);
    const uint64_t generation = m_generation;
    ++m_waiters;
    int64_t remaining = milliseconds < 0 ? 0 : milliseconds;
    do {
        const uint32_t noted = tickCount();
        if (m_signals == 0 && m_generation == generation)
            m_event.wait_for(lock, std::chrono::milliseconds(remaining));
        if (m_generation != generation) {
            lock.release();
            return true; // released by signalAll, which already counted us out
        }
        if (m_signals > 0) {
            --m_signals;
            --m_waiters;
            lock.release();
            return true;
        }
        const uint32_t elapsed = tickCount() - noted; // wrap-safe
        remaining -= elapsed;
    } while (remaining > 0);
    // Leaving unsignalled: never keep more pending signals than waiters.
    --m_waiters;
    if (m_signals > m_waiters)
        m_signals = m_waiters;
    lock.release();
    return false;
}

void Condition::signal()
{
    if (m_waiters > m_signals) {
        ++m_signals;
        m_event.notify_all();
    }
}

void Condition::signalAll()
{
    if (m_waiters > 0) {
        ++m_generation;
        m_waiters = 0;
        m_signals = 0;
        m_event.notify_all();
    }
}

} // namespace corvane
