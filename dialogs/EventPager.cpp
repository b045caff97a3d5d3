#include "dialogs/EventPager.h"

#include "dialogs/EventLogRules.h"

namespace corvane {

void EventPager::reset(std::size_t events) noexcept
{
    m_pageCount = pageCountFor(events);
    m_current = 1;
    setBackward(false);
    setForward(m_pageCount > 1);
}

bool EventPager::first() noexcept
{
    if (!m_enabled[First])
        return false;
    m_current = 1;
    setBackward(false);
    setForward(m_pageCount != 1);
    return true;
}

bool EventPager::previous() noexcept
{
    if (!m_enabled[Previous] || m_current <= 1)
        return false;
    --m_current;
    setForward(true);
    if (m_current == 1)
        setBackward(false);
    return true;
}

bool EventPager::next() noexcept
{
    if (!m_enabled[Next] || m_current >= m_pageCount)
        return false;
    ++m_current;
    setBackward(true);
    if (m_current == m_pageCount)
        setForward(false);
    return true;
}

bool EventPager::last() noexcept
{
    if (!m_enabled[Last] || m_pageCount < 1)
        return false;
    m_current = m_pageCount;
    setBackward(true);
    setForward(false);
    return true;
}

bool EventPager::press(Button button) noexcept
{
    switch (button) {
    case First:
        return first();
    case Previous:
        return previous();
    case Next:
        return next();
    case Last:
        return last();
    default:
        return false;
    }
}

std::size_t EventPager::firstEventIndex() const noexcept
{
    return static_cast<std::size_t>(m_current - 1) * eventsPerPage;
}

std::string EventPager::counterText() const
{
    return pageCounterText(m_current, m_pageCount);
}

void EventPager::setBackward(bool enabled) noexcept
{
    m_enabled[First] = enabled;
    m_enabled[Previous] = enabled;
}

void EventPager::setForward(bool enabled) noexcept
{
    m_enabled[Next] = enabled;
    m_enabled[Last] = enabled;
}

} // namespace corvane
