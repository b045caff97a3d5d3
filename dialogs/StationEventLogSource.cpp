#include "dialogs/StationEventLogSource.h"

#include "callback/AppConstants.h"
#include "data/AbstractDatabaseRecord.h"
#include "data/DBManager.h"
#include "data/Setup.h"
#include "data/VehicleInfoContainer.h"

#include <cstdint>
#include <mutex>

namespace corvane {

void StationEventLogSource::forEachVehicle(const std::function<void(const VehicleInfo&)>& visit)
{
    VehicleInfoContainer& vehicles = VehicleInfoContainer::getInstance();
    std::lock_guard lock(vehicles.getMutex());
    for (const auto& [id, vehicle] : vehicles.getMap())
        visit(*vehicle);
}

std::size_t StationEventLogSource::queryEvents(const char* condition)
{
    m_hasCondition = condition != nullptr;
    m_condition = m_hasCondition ? condition : "";
    m_total = 0;
    m_total = DBManager::getInstance().countEvents(condition);
    return m_total;
}

void StationEventLogSource::forEachEvent(std::size_t skip, std::size_t limit,
                                         const EventVisitor& visit)
{
    DBManager::getInstance().forEachEventPage(m_hasCondition ? m_condition.c_str() : nullptr,
                                              m_total, skip, limit, visit);
}

std::u16string StationEventLogSource::eventName(int code)
{
    return AppConstants::instance().getEventName(code);
}

AlarmKinds StationEventLogSource::alarmKinds()
{
    Setup& setup = Setup::getInstance();
    return AlarmKinds(
        static_cast<std::uint32_t>(setup.getInt(alarmKindsKey, defaultAlarmKinds)),
        static_cast<std::uint32_t>(setup.getInt(zoneAlarmKindsKey, defaultZoneAlarmKinds)));
}

} // namespace corvane
