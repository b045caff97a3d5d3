#pragma once

#include "base/ISingleton.h"
#include "data/GPSData.h"

#include <mutex>
#include <vector>

namespace corvane {

class UniqueID;

// The station's GPS samples: add() queues a new sample for the database
// writer; the list holds only the result of the last
// DBManager::queryGPSData, in row order, until the next query.
//
// Lifetime: single instance, created by getInstance(), destroyed at exit by
// the singleton registry.
// Threads: any thread. The mutex is recursive and guards the list; the
// tracking display holds it across queryGPSData and its walk.
// Throws: std::bad_alloc only.
class GPSDataContainer final : public ISingleton
{
public:
    using List = std::vector<GPSData>;

    static GPSDataContainer& getInstance();

    std::recursive_mutex& getMutex() noexcept { return m_mutex; }
    // Hold getMutex() while using the list.
    List& getList() noexcept { return m_samples; }

    // Queues an insert of one sample (sentence cut to 82, time to 20)
    // without waiting. False when the write queue refused it. The list is
    // not touched.
    bool add(const char* time, const UniqueID& vehicleId, const char* sentence);

    void clear();
    void append(GPSData record);

private:
    GPSDataContainer() = default;

    std::recursive_mutex m_mutex;
    List m_samples;
};

} // namespace corvane
