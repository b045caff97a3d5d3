#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace corvane {

class AbstractDatabaseRecord;

// The self-contained byte form in which a record travels through the write
// queue: type, operation and every field, texts inline with their lengths,
// so that the copy owes nothing to the caller's record. Only this process
// reads it; the layout is not stored anywhere.
//
//   int32 recordType, int32 operation, then per type
//   vehicle: 16 id bytes, 15 texts (uint32 length + bytes) with a one-byte
//            `deleted` after the fifth;
//   GPS:     int32 id, text gps_data, text update_time, 16 vehicle bytes;
//   event:   int32 id, texts address, name, time, int32 event_type,
//            text device_title, 16 vehicle bytes.
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
};

} // namespace corvane
