#pragma once

#include <cstdint>

namespace corvane {

class RowSet;

// Base of the records that app.db stores: a vehicle, a GPS sample, an event,
// a zone event with the presence it leaves (ZoneCrossing), or an operator's
// acknowledgement of alarms (AlarmAck).
// `operation` and `recordType` say what the writer is to do with a queued
// copy; the containers set them just before queueing.
//
// Ownership: a plain value; records are copied into the write queue, never
// shared with the writer. Threads: one thread at a time per record.
// Throws: load() never throws.
class AbstractDatabaseRecord
{
public:
    enum Operation : std::int32_t
    {
        Insert = 0,
        Update = 1
    };
    enum RecordType : std::int32_t
    {
        Vehicle = 0,
        GPSSample = 1,
        Event = 2,
        Crossing = 3, // a zone event with the presence it leaves (ZoneCrossing)
        Acknowledgement = 4 // an operator's acknowledgement of alarms (AlarmAck)
    };

    virtual ~AbstractDatabaseRecord() = default;

    // Overwrites the fields from a row of the record's table as "SELECT *"
    // returns it (columns in declared order). A NULL column reads as empty
    // text. Leaves `operation` and `recordType` as they are.
    virtual void load(const RowSet& row) = 0;

    std::int32_t operation = Insert;
    std::int32_t recordType = Vehicle;

protected:
    AbstractDatabaseRecord() = default;
    AbstractDatabaseRecord(std::int32_t op, std::int32_t type) : operation(op), recordType(type) {}
    AbstractDatabaseRecord(const AbstractDatabaseRecord&) = default;
    AbstractDatabaseRecord& operator=(const AbstractDatabaseRecord&) = default;
};

} // namespace corvane
