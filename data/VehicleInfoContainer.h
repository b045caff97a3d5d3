#pragma once

#include "base/ISingleton.h"
#include "base/UniqueID.h"
#include "data/VehicleInfo.h"

#include <map>
#include <memory>
#include <mutex>

namespace corvane {

// The live set of every known vehicle, keyed and ordered by UniqueID; filled
// from app.db when DBManager opens it and kept current by insert() and by
// callers changing the records that find() hands out. Records are never
// removed (removal by the operator sets `deleted`).
//
// Lifetime: single instance, created by getInstance(), destroyed at exit by
// the singleton registry.
// Ownership: the container owns its records; find() lends them.
// Threads: any thread. The mutex is recursive and guards the map and the
// fields of the records it lends: the station decides callbacks on a thread
// of its own while the window reads and edits the same records, so every
// use of a lent record, and every walk of the map, holds it throughout. Lock order: the database
// mutex (DBManager) before this one. Throws: std::bad_alloc only.
class VehicleInfoContainer final : public ISingleton
{
public:
    using Map = std::map<UniqueID, std::unique_ptr<VehicleInfo>>;

    static VehicleInfoContainer& getInstance();

    // A new record owned by the caller until it is inserted: id, name and
    // last_updated_time from the arguments, edited_name empty, not deleted.
    static std::unique_ptr<VehicleInfo> create(const UniqueID& id, const char* name,
                                               const char* time);

    std::recursive_mutex& getMutex() noexcept { return m_mutex; }
    // Hold getMutex() while using the map.
    Map& getMap() noexcept { return m_vehicles; }

    // The record stored under the id, or nullptr. It stays owned by the
    // container; change it in place, then hand it to update().
    VehicleInfo* find(const UniqueID& id);

    // Queues the record's insert without waiting, then keeps it in the map
    // under its id (an id already there keeps its record; the new one is
    // destroyed). True when the write queue took the insert; when it did not,
    // the vehicle is still kept in memory and its next update() stores it.
    bool insert(std::unique_ptr<VehicleInfo> record);

    // Queues the record's update (every column) without waiting and copies
    // it over the stored record of the same id, if that is another object.
    // True when the write queue took it.
    bool update(VehicleInfo& record);

    void clear();
    // Adds one loaded record under its id without queueing anything; for
    // DBManager's loader.
    void addLoaded(std::unique_ptr<VehicleInfo> record);

private:
    VehicleInfoContainer() = default;

    std::recursive_mutex m_mutex;
    Map m_vehicles;
};

} // namespace corvane
