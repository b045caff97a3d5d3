#pragma once

#include "base/Time.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One recommended-minimum GPS sentence ("$GPRMC,hhmmss,A,ddmm.mmmm,N,...",
// without its asterisk and checksum), split into its fields, with the
// position, speed, course and fix time derived from them.
//
// Splitting: the scan starts one past the first byte that is any of the
// characters of "$GPRMC" (for a sentence that starts with '$' that skips just
// the dollar sign), or at 0 when there is none. Fields end at commas; an
// asterisk ends a field only where no comma follows. Empty fields stay, so a
// sentence of eleven commas gives twelve fields and the indexes of
// AppConstants' GPS field positions hold. The status field is not looked at:
// a void fix is used like a valid one. Numbers read with '.' as the decimal
// point whatever the process locale.
//
// The accessors never read past the fields or past a field's text: a missing
// or empty field reads as 0 (course: -1), a short time field as 0 for the
// pairs it lacks.
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

    // Degrees; south (hemisphere exactly "S") negative.
    double latitude() const noexcept;
    // Degrees; west (hemisphere exactly "W") negative.
    double longitude() const noexcept;
    // Knots, as sent.
    double speed() const noexcept;
    // Degrees as sent; -1 when the field is empty or missing.
    double course() const noexcept;
    // Whether the sentence gives a position: both the latitude and the
    // longitude field hold text. A receiver without a fix sends them empty,
    // and reading them as 0 would put the vehicle at 0 degrees, 0 degrees.
    bool hasPosition() const noexcept;
    // Hour, minute and second of the fix (UTC, zone 0); any fraction dropped.
    Time fixTime() const noexcept;

private:
    std::string_view field(int index) const noexcept;
    double degrees(int valueIndex, int hemisphereIndex, std::string_view negative) const noexcept;

    std::vector<std::string> m_fields;
};

} // namespace corvane
