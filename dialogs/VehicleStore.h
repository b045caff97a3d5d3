#pragma once

#include <mutex>

namespace corvane {

class UniqueID;
class VehicleInfo;

// The vehicle records the vehicle editor changes. The station's
// implementation is StationVehicleStore (VehicleInfoContainer); tests
// provide their own.
//
// Ownership: find returns a record that stays owned by the store; the caller
// changes it in place and then hands it to update.
// Threads: the main window's thread, holding mutex() while it reads or
// changes a found record (the station changes the same records on another
// thread). Throws: never but std::bad_alloc.
class VehicleStore
{
public:
    virtual ~VehicleStore() = default;

    // The vehicle with this identifier, or null.
    virtual VehicleInfo* find(const UniqueID& id) = 0;

    // The lock over the found records' fields.
    virtual std::recursive_mutex& mutex() = 0;

    // Queues the record's current state for the database; false when the
    // write was refused (nothing will be written).
    virtual bool update(VehicleInfo& vehicle) = 0;
};

} // namespace corvane
