#pragma once

#include "app/StationRecords.h"

namespace corvane {

// The station's record stores: the process-wide VehicleInfoContainer,
// EventLogger and GPSDataContainer, whose writes go to DBManager's queue.
//
// Ownership: owns nothing; the containers live until process exit.
// Threads: any; mutex() is the vehicle container's lock. An event or sample
// goes straight to the write queue.
class SingletonStationRecords : public StationRecords
{
public:
    VehicleInfo* findVehicle(const UniqueID& id) override;
    bool insertVehicle(std::unique_ptr<VehicleInfo> vehicle) override;
    bool updateVehicle(VehicleInfo& vehicle) override;
    bool addEvent(const CallbackInfo& event) override;
    bool addZoneCrossing(const CallbackInfo& event, std::int64_t zoneId, bool inside) override;
    bool addGpsSample(const std::string& time, const UniqueID& vehicleId,
                      const std::string& sentence) override;
    std::recursive_mutex& mutex() override;
    void forEachVehicle(const std::function<void(VehicleInfo&)>& visit) override;
};

} // namespace corvane
