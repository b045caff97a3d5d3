#include "app/PageCallRelay.h"

#include <utility>

namespace corvane {

PageCallRelay::PageCallRelay(Wake wake, std::size_t limit) : m_wake(std::move(wake))
{
    m_frame.setLimit(limit);
}

void PageCallRelay::call(PageCall call)
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_frame.add(std::move(call));
        wake = !m_wakeOwed;
        m_wakeOwed = true;
    }
    if (!wake || !m_wake)
        return;
    try {
        m_wake();
    } catch (...) {
        std::lock_guard lock(m_mutex);
        m_wakeOwed = false;
        throw;
    }
}

std::string PageCallRelay::take()
{
    std::lock_guard lock(m_mutex);
    m_wakeOwed = false;
    return m_frame.take();
}

void PageCallRelay::setLimit(std::size_t limit)
{
    std::lock_guard lock(m_mutex);
    m_frame.setLimit(limit);
}

std::size_t PageCallRelay::givenWay() const
{
    std::lock_guard lock(m_mutex);
    return m_frame.givenWay();
}

std::size_t PageCallRelay::alarmsGivenWay() const
{
    std::lock_guard lock(m_mutex);
    return m_frame.alarmsGivenWay();
}

} // namespace corvane
