// Whatever bytes reach the writer as a queued record, decoding must never
// read past them, and a record it accepts must encode back to the very
// same bytes (so nothing the writer stores differs from what was queued).
#include "data/AbstractDatabaseRecord.h"
#include "data/RecordCodec.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto record = corvane::RecordCodec::decode(bytes.data(), bytes.size());
    if (record == nullptr)
        return 0;
    std::string again;
    if (!corvane::RecordCodec::encode(*record, again))
        std::abort();
    const auto second = corvane::RecordCodec::decode(again.data(), again.size());
    std::string third;
    if (second == nullptr || !corvane::RecordCodec::encode(*second, third) || third != again)
        std::abort();
    return 0;
}
