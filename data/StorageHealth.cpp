#include "data/StorageHealth.h"

#include "data/StorageListener.h"

namespace corvane {

void StorageHealth::setListener(StorageListener* listener)
{
    std::lock_guard lock(m_mutex);
    m_listener = listener;
}

void StorageHealth::report(Problem problem, const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (problem == Problem::None || problem == m_current)
        return;
    m_current = problem;
    if (m_listener != nullptr)
        m_listener->onStorageProblem(text);
}

void StorageHealth::clear(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    // A writer that has ended does not come back by itself.
    if (m_current == Problem::None || m_current == Problem::Ended)
        return;
    m_current = Problem::None;
    if (m_listener != nullptr)
        m_listener->onStorageRecovered(text);
}

void StorageHealth::reset()
{
    std::lock_guard lock(m_mutex);
    m_current = Problem::None;
}

StorageHealth::Problem StorageHealth::current() const
{
    std::lock_guard lock(m_mutex);
    return m_current;
}

} // namespace corvane
