#include "data/OpenAlarms.h"

#include <algorithm>

namespace corvane {

void OpenAlarms::setKinds(std::vector<std::int32_t> kinds)
{
    std::lock_guard lock(m_mutex);
    m_kinds = std::move(kinds);
}

std::vector<std::int32_t> OpenAlarms::kinds() const
{
    std::lock_guard lock(m_mutex);
    return m_kinds;
}

void OpenAlarms::replace(std::vector<OpenAlarm> alarms, std::size_t notHeld)
{
    std::lock_guard lock(m_mutex);
    m_alarms.clear();
    for (OpenAlarm& alarm : alarms)
        m_alarms.emplace(alarm.id, std::move(alarm));
    m_notHeld = notHeld;
    trim();
    ++m_generation;
}

void OpenAlarms::apply(std::vector<OpenAlarm> added, const std::vector<std::int64_t>& acknowledged)
{
    std::lock_guard lock(m_mutex);
    for (OpenAlarm& alarm : added)
        m_alarms.insert_or_assign(alarm.id, std::move(alarm));
    for (std::int64_t id : acknowledged) {
        // An alarm not held lies below the held ones: it was one of those
        // counted beyond them.
        if (m_alarms.erase(id) == 0 && m_notHeld > 0 &&
            (m_alarms.empty() || id < m_alarms.begin()->first))
            --m_notHeld;
    }
    trim();
    ++m_generation;
}

void OpenAlarms::trim()
{
    while (m_alarms.size() > maxHeld) {
        m_alarms.erase(m_alarms.begin());
        ++m_notHeld;
    }
}

OpenAlarms::Snapshot OpenAlarms::snapshot(std::size_t limit, std::size_t vehicleLimit) const
{
    std::lock_guard lock(m_mutex);
    Snapshot result;
    result.generation = m_generation.load();
    result.total = m_alarms.size() + m_notHeld;
    result.newest.reserve(std::min(limit, m_alarms.size()));
    for (auto alarm = m_alarms.rbegin(); alarm != m_alarms.rend() && result.newest.size() < limit;
         ++alarm)
        result.newest.push_back(alarm->second);
    if (vehicleLimit == 0)
        return result;
    std::map<UniqueID, std::size_t> index;
    for (auto alarm = m_alarms.rbegin(); alarm != m_alarms.rend(); ++alarm) {
        const auto [at, added] = index.try_emplace(alarm->second.vehicle_id, result.vehicles.size());
        if (added)
            result.vehicles.push_back({alarm->second.vehicle_id, 0, alarm->first});
        ++result.vehicles[at->second].count;
    }
    if (result.vehicles.size() > vehicleLimit)
        result.vehicles.resize(vehicleLimit);
    return result;
}

} // namespace corvane
