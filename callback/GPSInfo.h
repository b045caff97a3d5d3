#pragma once

#include "base/Time.h"
#include "callback/GPSReading.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One recommended-minimum GPS sentence ("$GPRMC,hhmmss,A,ddmm.mmmm,N,...",
// without its asterisk and checksum), split into its fields, with the
// position, speed, course and fix time read from them once by GPSReading
// (which says what counts as a position and how the fields are split).
// Empty fields stay, so a sentence of eleven commas gives twelve fields and
// the indexes of AppConstants' GPS field positions hold.
//
// Ownership: a plain value owning copies of the fields. Threads: one thread
// per instance. Throws: std::bad_alloc from construction only.
class GPSInfo
{
public:
    explicit GPSInfo(std::string_view sentence);
    virtual ~GPSInfo() = default;
    GPSInfo(const GPSInfo&) = default;
    GPSInfo& operator=(const GPSInfo&) = default;

    const std::vector<std::string>& fields() const noexcept { return m_fields; }
    // What the sentence says, as one value to hand on (the map page's moveTo).
    const GPSReading& reading() const noexcept { return m_reading; }

    // Degrees, south negative; 0 without a position.
    double latitude() const noexcept { return m_reading.latitude; }
    // Degrees, west negative; 0 without a position.
    double longitude() const noexcept { return m_reading.longitude; }
    // Knots; 0 unless the field is an unsigned decimal.
    double speed() const noexcept { return m_reading.speed; }
    // Degrees; -1 when the field is empty or missing.
    double course() const noexcept { return m_reading.course; }
    // Whether the sentence gives a position (GPSReading): a receiver without
    // a fix sends the fields empty, and a made-up or out-of-range number
    // must neither move a vehicle nor be kept as its last position.
    bool hasPosition() const noexcept { return m_reading.hasPosition; }
    // Hour, minute and second of the fix (UTC, zone 0); any fraction dropped.
    Time fixTime() const noexcept { return m_reading.fixTime; }

private:
    std::vector<std::string> m_fields;
    GPSReading m_reading;
};

} // namespace corvane
