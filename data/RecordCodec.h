#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace corvane {

class AbstractDatabaseRecord;
class UniqueID;
class VehicleInfo;

// The self-contained byte form in which a record travels through the write
// queue: type, operation and every field, texts inline with their lengths,
// so that the copy owes nothing to the caller's record. Only this process
// reads it; the layout is not stored anywhere.
//
//   int32 recordType, int32 operation, then per type
//   vehicle: the fields of vehicleFields() in order: 16 id bytes, texts
//            (uint32 length + bytes), the one-byte `deleted`;
//   GPS:     int32 id, text gps_data, text update_time, 16 vehicle bytes;
//   event:   int32 id, texts address, name, time, int32 event_type,
//            text device_title, 16 vehicle bytes;
//   zone crossing: the event as above, int64 zone_id, the one-byte `inside`;
//   acknowledgement: int64 event_id, the one-byte `wholeVehicle`, 16 vehicle
//            bytes, texts acknowledged, operator, note.
//
// Threads: any thread. Throws: std::bad_alloc only.
class RecordCodec
{
public:
    // Replaces `out` by the encoding. False when the record's class does not
    // match its recordType (nothing to encode).
    static bool encode(const AbstractDatabaseRecord& record, std::string& out);

    // The record encoded in the bytes, or nullptr when they are malformed.
    static std::unique_ptr<AbstractDatabaseRecord> decode(const void* bytes, std::size_t size);

    // One field of a vehicle: its column in vehicle_info and the one member
    // that holds it (the others are null).
    struct VehicleField
    {
        const char* column = nullptr;
        UniqueID VehicleInfo::*id = nullptr;
        std::string VehicleInfo::*text = nullptr;
        bool VehicleInfo::*flag = nullptr;
    };
    // Every field of a vehicle in the order of the encoding and of the
    // columns of vehicle_info; encode and decode both walk it.
    static std::span<const VehicleField> vehicleFields();
};

} // namespace corvane
