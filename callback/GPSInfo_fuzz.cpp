// Any sentence text must split and decode without reading past its fields
// and without producing a value that is not a number.
#include "callback/GPSInfo.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const corvane::GPSInfo gps(std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t total = 0;
    for (const auto& field : gps.fields()) {
        total += field.size() + 1;
    }
    if (gps.fields().empty() || total > size + 1) {
        std::abort();
    }
    const double values[] = {gps.latitude(), gps.longitude(), gps.speed(), gps.course()};
    for (double value : values) {
        if (!std::isfinite(value)) {
            std::abort();
        }
    }
    // Reads at most the six characters of the time field, whatever its length.
    volatile std::int32_t packed = gps.fixTime().packed();
    (void)packed;
    return 0;
}
