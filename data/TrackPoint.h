#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// One stored position of a vehicle, as the track history reads it back from
// gps_data: the sample's stored time and what its sentence says.
//
// time counts seconds since 1970-01-01 00:00:00 of the stored time text
// ("YYYY-MM-DD HH:MM:SS", the clock the recorder reported in); no zone is
// applied either way, so a time read and written again is the same text.
// Plain value; any thread; never throws.
struct TrackPoint
{
    std::int64_t time = 0;
    double latitude = 0;  // degrees, south negative
    double longitude = 0; // degrees, west negative
    double speed = 0;     // knots
    double course = -1;   // degrees, -1 when the sentence has none
};

// "YYYY-MM-DD HH:MM:SS" to seconds; false (seconds untouched) for any other
// text, out-of-range fields included.
bool parseTrackTime(std::string_view text, std::int64_t& seconds) noexcept;

// Seconds to "YYYY-MM-DD HH:MM:SS". Throws only std::bad_alloc.
std::string formatTrackTime(std::int64_t seconds);

} // namespace corvane
