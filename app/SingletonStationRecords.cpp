#include "app/SingletonStationRecords.h"

#include "data/EventLogger.h"
#include "data/GPSDataContainer.h"
#include "data/VehicleInfo.h"
#include "data/VehicleInfoContainer.h"

#include <mutex>

namespace corvane {

VehicleInfo* SingletonStationRecords::findVehicle(const UniqueID& id)
{
    return VehicleInfoContainer::getInstance().find(id);
}

bool SingletonStationRecords::insertVehicle(std::unique_ptr<VehicleInfo> vehicle)
{
    return VehicleInfoContainer::getInstance().insert(std::move(vehicle));
}

bool SingletonStationRecords::updateVehicle(VehicleInfo& vehicle)
{
    return VehicleInfoContainer::getInstance().update(vehicle);
}

bool SingletonStationRecords::addEvent(const CallbackInfo& event)
{
    return EventLogger::getInstance().add(event);
}

bool SingletonStationRecords::addZoneCrossing(const CallbackInfo& event, std::int64_t zoneId,
                                              bool inside)
{
    return EventLogger::getInstance().addCrossing(event, zoneId, inside);
}

bool SingletonStationRecords::addGpsSample(const std::string& time, const UniqueID& vehicleId,
                                           const std::string& sentence)
{
    return GPSDataContainer::getInstance().add(time.c_str(), vehicleId, sentence.c_str());
}

std::recursive_mutex& SingletonStationRecords::mutex()
{
    return VehicleInfoContainer::getInstance().getMutex();
}

void SingletonStationRecords::forEachVehicle(const std::function<void(VehicleInfo&)>& visit)
{
    VehicleInfoContainer& container = VehicleInfoContainer::getInstance();
    std::lock_guard lock(container.getMutex());
    for (auto& [id, vehicle] : container.getMap())
        visit(*vehicle);
}

} // namespace corvane
