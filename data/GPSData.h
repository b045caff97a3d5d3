#pragma once

#include "base/UniqueID.h"
#include "data/AbstractDatabaseRecord.h"

#include <cstdint>

namespace corvane {

// One stored GPS sample, one row of `gps_data`. The sentence and the time are
// fixed fields: longer input is cut (see copyBounded), always terminated.
//
// Ownership and threads: a plain value. Throws: never.
class GPSData final : public AbstractDatabaseRecord
{
public:
    static constexpr int sentenceCapacity = 82;
    static constexpr int updateTimeCapacity = 20;

    // The sentence (cut to 82), an empty time, a new random vehicle id.
    explicit GPSData(const char* sentence = "") noexcept;
    // The sentence (cut to 82) for the given vehicle, an empty time.
    GPSData(const char* sentence, const UniqueID& vehicle) noexcept;
    GPSData(const GPSData&) = default;
    GPSData& operator=(const GPSData&) = default;

    // Columns: id, gps_data, update_time, vehicle_id.
    void load(const RowSet& row) override;

    void setGpsData(const char* text) noexcept;
    void setUpdateTime(const char* text) noexcept;

    std::int32_t id = 0;
    char gps_data[sentenceCapacity + 1] = {};
    char update_time[updateTimeCapacity + 1] = {};
    UniqueID vehicle_id;
};

} // namespace corvane
