#include "dialogs/StationEventLogSource.h"

#include "callback/AppConstants.h"
#include "data/AbstractDatabaseRecord.h"
#include "data/DBManager.h"
#include "data/EventLogger.h"
#include "data/VehicleInfoContainer.h"

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
    EventLogger& events = EventLogger::getInstance();
    std::lock_guard lock(events.getMutex());
    const int loaded = DBManager::getInstance().queryEvents(condition);
    return loaded > 0 ? static_cast<std::size_t>(loaded) : 0;
}

void StationEventLogSource::forEachEvent(std::size_t skip, std::size_t limit,
                                         const std::function<void(const EventLog&)>& visit)
{
    EventLogger& events = EventLogger::getInstance();
    std::lock_guard lock(events.getMutex());
    const EventLogger::List& list = events.getList();
    for (std::size_t i = skip; i < list.size() && i - skip < limit; ++i)
        visit(list[i]);
}

std::u16string StationEventLogSource::eventName(int code)
{
    return AppConstants::instance().getEventName(code);
}

} // namespace corvane
