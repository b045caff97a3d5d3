#pragma once

#include "base/ISingleton.h"

namespace corvane {

class UniqueID;

// The station's GPS samples: add() queues a new sample for the database
// writer. Nothing is kept here; track history reads the stored samples on a
// connection of its own (TrackQuery).
//
// Lifetime: single instance, created by getInstance(), destroyed at exit by
// the singleton registry.
// Threads: any thread; add() holds no lock of its own.
// Throws: std::bad_alloc only.
class GPSDataContainer final : public ISingleton
{
public:
    static GPSDataContainer& getInstance();

    // Queues an insert of one sample (sentence cut to 82, time to 20)
    // without waiting. False when the write queue refused it.
    bool add(const char* time, const UniqueID& vehicleId, const char* sentence);

private:
    GPSDataContainer() = default;
};

} // namespace corvane
