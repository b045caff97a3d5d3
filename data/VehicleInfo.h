#pragma once

#include "base/UniqueID.h"
#include "data/AbstractDatabaseRecord.h"

#include <cstdint>
#include <string>

namespace corvane {

// One vehicle, one row of `vehicle_info`; the fields bear the column names.
// Texts are unbounded. The shown name is `edited_name` when it is not empty,
// else `name` (displayName()).
//
// Ownership and threads: a plain value; a record held by VehicleInfoContainer
// is changed in place by its callers on the main window's thread.
// Throws: only std::bad_alloc.
class VehicleInfo final : public AbstractDatabaseRecord
{
public:
    // A new random id, every text empty, not deleted.
    VehicleInfo();
    explicit VehicleInfo(const UniqueID& id_);
    // Copies every field, `operation` and `recordType` included.
    VehicleInfo(const VehicleInfo&) = default;
    VehicleInfo& operator=(const VehicleInfo&) = default;

    // Columns: id, name, edited_name, last_updated_time,
    // last_updated_latitude, last_updated_longitude, deleted (true exactly
    // when 1), company, maker, model, registration, driver, license, info1,
    // info2, image_path.
    void load(const RowSet& row) override;

    const std::string& displayName() const noexcept
    {
        return edited_name.empty() ? name : edited_name;
    }

    UniqueID id;
    std::string name;
    std::string edited_name;
    std::string last_updated_time;
    std::string last_updated_latitude;
    std::string last_updated_longitude;
    bool deleted = false;
    std::string company;
    std::string maker;
    std::string model;
    std::string registration;
    std::string driver;
    std::string license;
    std::string info1;
    std::string info2;
    std::string image_path;
    // Not a column: when the station last heard from the vehicle, as an
    // order (larger is later) of its own, never a recorder's time. Loaded
    // from vehicle_heard (0 when the station has no note of it) and raised
    // by each report the controller handles; never written back from here.
    std::int64_t heard = 0;
};

} // namespace corvane
