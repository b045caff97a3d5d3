#include "base/Calendar.h"

#include <ctime>

namespace corvane {

namespace {

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Division rounding toward minus infinity, so that years before 1 and months
// below 1 keep the same leap-year and carry rules as the years after.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

} // namespace

std::int64_t Calendar::daysSinceEpoch(int year, int month, int day) noexcept
{
    // A month outside 1..12 carries into the year first; the table below
    // only knows twelve months.
    std::int64_t fullYear = year;
    std::int64_t monthIndex = static_cast<std::int64_t>(month) - 1;
    fullYear += floorDiv(monthIndex, 12);
    monthIndex -= floorDiv(monthIndex, 12) * 12;

    // Leap days are counted up to the year before when the date lies in
    // January or February, whose leap day has not happened yet.
    const std::int64_t y = monthIndex < 2 ? fullYear - 1 : fullYear;
    return (fullYear - 1900) * 365 + floorDiv(y, 4) + floorDiv(y, 400) - floorDiv(y, 100) +
           kDaysBeforeMonth[monthIndex] + day - 26028;
}

std::int64_t Calendar::secondsSinceEpoch(const Fields& f) noexcept
{
    return daysSinceEpoch(f.year, f.month, f.day) * 86400 +
           static_cast<std::int64_t>(f.hour) * 3600 + static_cast<std::int64_t>(f.minute) * 60 +
           f.second;
}

bool Calendar::breakDown(std::int64_t seconds, Fields& fields) noexcept
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(t) != seconds)
        return false;
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr)
        return false;
    const std::int64_t year = static_cast<std::int64_t>(tm.tm_year) + 1900;
    if (year < minYear || year > maxYear)
        return false;
    fields.year = static_cast<int>(year);
    fields.month = tm.tm_mon + 1;
    fields.day = tm.tm_mday;
    fields.hour = tm.tm_hour;
    fields.minute = tm.tm_min;
    fields.second = tm.tm_sec;
    return true;
}

bool Calendar::addSeconds(Fields& fields, std::int64_t seconds) noexcept
{
    std::int64_t sum = 0;
    if (__builtin_add_overflow(secondsSinceEpoch(fields), seconds, &sum))
        return false;
    return breakDown(sum, fields);
}

int Calendar::weekday(int year, int month, int day) noexcept
{
    // 1970-01-01 was a Thursday.
    const std::int64_t days = daysSinceEpoch(year, month, day) + 4;
    return static_cast<int>(days - floorDiv(days, 7) * 7);
}

int Calendar::dayOfYear(int year, int month, int day) noexcept
{
    // Carry the month first so that "the year" is the one the date falls in.
    const std::int64_t monthIndex = static_cast<std::int64_t>(month) - 1;
    const std::int64_t fullYear = year + floorDiv(monthIndex, 12);
    const std::int64_t yearStart = daysSinceEpoch(static_cast<int>(fullYear), 1, 1);
    return static_cast<int>(daysSinceEpoch(year, month, day) - yearStart);
}

} // namespace corvane
