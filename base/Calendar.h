#pragma once

#include <cstdint>

namespace corvane {

// Proleptic Gregorian calendar arithmetic on broken-down UTC fields, shared by
// Date, Time and DateTime. Fields out of their ranges (a day of 40, a second
// of -10, a month of 13) carry into the next unit, so callers may add to any
// field and normalise afterwards.
//
// Threads: every function is pure or uses only reentrant C runtime calls; any
// thread may call them. Throws: never.
class Calendar
{
public:
    struct Fields
    {
        int year = 1970;
        int month = 1; // 1 to 12 when normalised
        int day = 1;   // 1 to 31 when normalised
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // Days from 1970-01-01 to the given date; negative before it.
    static std::int64_t daysSinceEpoch(int year, int month, int day) noexcept;

    // Seconds from 1970-01-01 00:00:00 UTC to the given fields.
    static std::int64_t secondsSinceEpoch(const Fields& fields) noexcept;

    // Breaks seconds since the epoch down in UTC. Returns false, leaving
    // `fields` as they were, when the result's year does not fit the 16 bits
    // that a packed Date holds.
    static bool breakDown(std::int64_t seconds, Fields& fields) noexcept;

    // `fields` moved by `seconds` and normalised. Returns false, leaving
    // `fields` as they were, when the sum overflows or cannot be broken down.
    static bool addSeconds(Fields& fields, std::int64_t seconds) noexcept;

    // 0 is Sunday.
    static int weekday(int year, int month, int day) noexcept;

    // 0 is January 1st.
    static int dayOfYear(int year, int month, int day) noexcept;

    static constexpr int minYear = -32768;
    static constexpr int maxYear = 32767;
};

} // namespace corvane
