#include "callback/CallbackBacklog.h"

#include "callback/DropCounts.h"

namespace corvane {

bool CallbackBacklog::tryEnter() noexcept
{
    std::size_t now = m_waiting.load(std::memory_order_relaxed);
    do {
        if (now >= m_limit) {
            m_counts.countOverBacklog();
            return false;
        }
    } while (!m_waiting.compare_exchange_weak(now, now + 1, std::memory_order_relaxed));
    return true;
}

void CallbackBacklog::leave() noexcept
{
    leave(1);
}

void CallbackBacklog::leave(std::size_t count) noexcept
{
    std::size_t now = m_waiting.load(std::memory_order_relaxed);
    while (count > 0 && now > 0 &&
           !m_waiting.compare_exchange_weak(now, now > count ? now - count : 0,
                                            std::memory_order_relaxed)) {
    }
}

} // namespace corvane
