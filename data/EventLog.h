#pragma once

#include "base/UniqueID.h"
#include "data/AbstractDatabaseRecord.h"

#include <cstdint>
#include <string>

namespace corvane {

// One alarm event, one row of `event_info`. The bounded texts are fixed
// fields: longer input is cut (see copyBounded) and they are always
// terminated. A record not yet stored has id 0 and the all-zero vehicle.
//
// Ownership and threads: a plain value. Throws: never.
class EventLog final : public AbstractDatabaseRecord
{
public:
    static constexpr int nameCapacity = 32;
    static constexpr int timeCapacity = 100;
    static constexpr int deviceTitleCapacity = 32;

    EventLog() noexcept;
    EventLog(const EventLog&) = default;
    EventLog& operator=(const EventLog&) = default;

    // Columns: id, address, name, time, event_type, device_title, vehicle_id.
    void load(const RowSet& row) override;

    void setName(const char* text) noexcept;
    void setTime(const char* text) noexcept;
    void setDeviceTitle(const char* text) noexcept;

    std::int32_t id = 0;
    std::string address;
    char name[nameCapacity + 1] = {};
    char time[timeCapacity + 1] = {};
    char device_title[deviceTitleCapacity + 1] = {};
    std::int32_t event_type = 0;
    UniqueID vehicle_id;
};

} // namespace corvane
