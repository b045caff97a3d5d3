#pragma once

#include "base/Time.h"

#include <cstddef>
#include <string_view>

namespace corvane {

// What one recommended-minimum GPS sentence ("$GPRMC,hhmmss,A,ddmm.mmmm,N,
// dddmm.mmmm,W,speed,course,...", without asterisk and checksum) says, read
// once and strictly. Everything that shows or keeps a position reads it
// through here: the live map, the vehicle's stored last position and the
// track history, so they never disagree on the same text.
//
// A position is only latitude digits "ddmm[.m...]" with "N" or "S" and
// longitude digits "dddmm[.m...]" with "E" or "W", minutes below 60, within
// 90 and 180 degrees. Anything else (an empty field, a sign, an exponent,
// "nan", "inf", a missing or lower-case hemisphere, 9959.9999) is no
// position: a receiver without a fix, or a sender that cannot be trusted
// with one. Speed is knots and course degrees as unsigned decimals; any
// other text reads as 0, an empty course as -1 (none). The status field is
// not looked at: a void fix with a good position is used.
//
// Splitting: the scan starts one past the first byte that is any of the
// characters of "$GPRMC" (for a sentence that starts with '$' that skips just
// the dollar sign), or at 0 when there is none. Fields end at commas; an
// asterisk ends a field only where no comma follows.
//
// Plain value; any thread; never throws and never allocates.
struct GPSReading
{
    bool hasPosition = false;
    double latitude = 0;  // degrees, south negative; 0 without a position
    double longitude = 0; // degrees, west negative; 0 without a position
    double speed = 0;     // knots
    double course = -1;   // degrees; -1 when the sentence has none
    Time fixTime;         // hour, minute, second (UTC, zone 0); fraction dropped

    static GPSReading read(std::string_view sentence) noexcept;

    // Where the first field starts.
    static std::size_t firstField(std::string_view sentence) noexcept;
    // The field that starts at pos into field; pos moves to the next one.
    // False when this was the last field.
    static bool nextField(std::string_view sentence, std::size_t& pos,
                          std::string_view& field) noexcept;
};

} // namespace corvane
