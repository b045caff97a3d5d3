#pragma once

#include "data/AbstractDatabaseRecord.h"
#include "data/EventLog.h"

#include <cstdint>

namespace corvane {

// A vehicle entering or leaving a zone: the "Zone enter" or "Zone exit"
// event for `event_info` and the presence it leaves in `zone_presence`
// (ZoneTable), queued as one record so that the writer applies both in the
// same transaction: after a kill either both are stored or neither, and a
// restarted station never raises an entry the log already holds, nor misses
// one it does not.
//
// Ownership and threads: a plain value. Throws: never.
class ZoneCrossing final : public AbstractDatabaseRecord
{
public:
    ZoneCrossing() noexcept : AbstractDatabaseRecord(Insert, Crossing) {}

    // Columns of `zone_presence`: vehicle_id, zone_id; a stored row is a
    // vehicle inside. The event is left as it is.
    void load(const RowSet& row) override;

    EventLog event;
    std::int64_t zone_id = 0;
    bool inside = false;
};

} // namespace corvane
