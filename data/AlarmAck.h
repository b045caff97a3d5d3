#pragma once

#include "base/UniqueID.h"
#include "data/AbstractDatabaseRecord.h"

#include <cstdint>
#include <string>

namespace corvane {

// An operator's acknowledgement of open alarms, for `alarm_ack` (AlarmDesk):
// one alarm (event_id), or every open alarm of one vehicle up to the newest
// the operator saw (wholeVehicle: the vehicle's alarms with an id up to
// event_id). Queued like the other records, so that it is stored in order
// after the events it names.
//
// Ownership and threads: a plain value. Throws: never but std::bad_alloc.
class AlarmAck final : public AbstractDatabaseRecord
{
public:
    // What a note keeps at most, in bytes (cut at a character's start).
    static constexpr std::size_t noteCapacity = 1000;
    static constexpr std::size_t operatorCapacity = 64;

    AlarmAck() noexcept : AbstractDatabaseRecord(Insert, Acknowledgement) {}

    // Columns of `alarm_ack`: event_id, acknowledged, operator, note.
    void load(const RowSet& row) override;
    // The same four from column first on (a query that reads the event's
    // columns before them).
    void loadColumns(const RowSet& row, int first);

    // Keep the texts within their capacity, cut where a UTF-8 character starts.
    void setNote(std::string text);
    void setOperator(std::string text);

    std::int64_t event_id = 0;
    bool wholeVehicle = false;
    UniqueID vehicle_id = UniqueID::zero();
    // "%Y-%m-%d %H:%M:%S" by the station's clock.
    std::string acknowledged;
    std::string operator_name;
    std::string note;
};

} // namespace corvane
