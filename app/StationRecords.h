#pragma once

#include "base/UniqueID.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace corvane {

class CallbackInfo;
class VehicleInfo;

// The record stores the main window works on: the live set of vehicles and
// the write queue of the application database behind the event and GPS
// containers. The station's implementation forwards to the process-wide
// containers (SingletonStationRecords); tests use their own.
//
// Every write only queues a copy for the database writer and never waits for
// the disk; false means the queue refused the copy and nothing will be written.
//
// Ownership: findVehicle returns a record that stays owned by the store and is
// changed in place by the caller; insertVehicle takes ownership of its record.
// Threads: any thread, holding mutex() around every use of a lent record (the
// callback decider changes them while the window reads them). Must not throw
// but std::bad_alloc.
class StationRecords
{
public:
    virtual ~StationRecords() = default;

    // The vehicle with this identifier, or null.
    virtual VehicleInfo* findVehicle(const UniqueID& id) = 0;

    // Adds a vehicle that findVehicle does not know and queues its row.
    virtual bool insertVehicle(std::unique_ptr<VehicleInfo> vehicle) = 0;

    // Queues the current state of a vehicle held by the store.
    virtual bool updateVehicle(VehicleInfo& vehicle) = 0;

    // Queues one alarm event (a callback whose type is an event code).
    virtual bool addEvent(const CallbackInfo& event) = 0;

    // Queues a zone entry or exit event with the presence it leaves (inside
    // the zone or not), as one record: both are stored or neither.
    virtual bool addZoneCrossing(const CallbackInfo& event, std::int64_t zoneId, bool inside) = 0;

    // Queues one GPS sample: display time, vehicle and sentence as received.
    virtual bool addGpsSample(const std::string& time, const UniqueID& vehicleId,
                              const std::string& sentence) = 0;

    // The lock over the store and the fields of every record it lends;
    // recursive, so a holder may call the store again.
    virtual std::recursive_mutex& mutex() = 0;

    // Calls visit for every vehicle, in the store's order, while holding the
    // store's lock, so the walk sees no vehicle come or go.
    virtual void forEachVehicle(const std::function<void(VehicleInfo&)>& visit) = 0;
};

} // namespace corvane
