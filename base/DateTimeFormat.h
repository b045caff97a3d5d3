#pragma once

#include "base/Date.h"
#include "base/DateTime.h"
#include "base/IFormatable.h"
#include "base/Time.h"

#include <cstddef>

namespace corvane {

// The library's table of strftime-style patterns and the formatting of Date,
// Time and DateTime values through any such pattern. Results are limited to
// 63 characters (a 64-byte buffer); they are always made in the "C" locale,
// so "%p" gives AM/PM and names are English whatever locale the process runs
// in.
//
// The weekday and day of the year come from the calendar; fields are passed
// as they are stored (no normalisation), so an unset value formats as
// whatever its fields give.
//
// Threads: any thread. Throws: only what the target's format() throws.
class DateTimeFormat
{
public:
    static constexpr std::size_t patternCount = 38;
    static constexpr std::size_t maxLength = 63;

    // The table's pattern at `index`, or nullptr past the end.
    static const char* pattern(std::size_t index) noexcept;

    // Each replaces the target's text with the formatted value and returns
    // true. A result longer than maxLength is cut to its first maxLength
    // characters and reported with false; a null pattern gives empty text and
    // false.
    // formatDate: the date at 00:00:00.
    static bool formatDate(const Date& date, const char* pattern, IFormatable& target);
    // formatTime: the time of day on 2000-01-01, with its zone.
    static bool formatTime(const Time& time, const char* pattern, IFormatable& target);
    static bool formatDateTime(const DateTime& value, const char* pattern, IFormatable& target);
};

} // namespace corvane
