#include "callback/CallbackHandoff.h"

namespace corvane {

bool CallbackHandoff::append(const CallbackInfo& record)
{
    if (!m_backlog.tryEnter())
        return false;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        try {
            m_queue.push_back(record);
        } catch (...) {
            // Nothing was queued: its place is free again.
            m_backlog.leave();
            throw;
        }
        wake = !m_wakeSent;
        m_wakeSent = true;
    }
    // Outside the lock: posting takes the toolkit's own lock, and the taker
    // never waits on a post.
    if (wake && m_wake) {
        try {
            m_wake();
        } catch (...) {
            // The record stays; without this the queue would wait for a
            // wake-up that never comes until the shutdown's take.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_wakeSent = false;
            throw;
        }
    }
    return true;
}

void CallbackHandoff::take(std::vector<CallbackInfo>& into) noexcept
{
    // The last batch goes on the taker's thread, not under the lock.
    if (into.capacity() > keptCapacity)
        std::vector<CallbackInfo>().swap(into);
    else
        into.clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.swap(into);
    m_wakeSent = false;
    m_backlog.leave(into.size());
}

} // namespace corvane
