#include "base/Calendar.h"

#include <ctime>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// timegm() and gmtime_r() are the C runtime's own calendar: an oracle that
// shares no code with the day-count formula under test.
std::int64_t oracleSeconds(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

TEST(CalendarTest, EveryDayFrom1970To2100MatchesTheRuntimeCalendar)
{
    std::tm tm{};
    for (std::int64_t days = 0;; ++days) {
        const std::time_t t = days * 86400;
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        const int year = tm.tm_year + 1900;
        if (year > 2100)
            break;
        const int month = tm.tm_mon + 1;
        ASSERT_EQ(Calendar::daysSinceEpoch(year, month, tm.tm_mday), days)
            << year << "-" << month << "-" << tm.tm_mday;
        ASSERT_EQ(Calendar::weekday(year, month, tm.tm_mday), tm.tm_wday);
        ASSERT_EQ(Calendar::dayOfYear(year, month, tm.tm_mday), tm.tm_yday);
    }
}

TEST(CalendarTest, LeapRulesHoldFarFromTheEpoch)
{
    // Centuries (1900, 2100 not leap; 1600, 2000, 2400 leap) and years
    // before 1, where truncating division would miscount leap days.
    for (int year = -800; year <= 3000; year += 1) {
        for (int month : {1, 2, 3, 12}) {
            const int day = month == 2 ? 28 : 1;
            ASSERT_EQ(Calendar::daysSinceEpoch(year, month, day) * 86400,
                      oracleSeconds(year, month, day))
                << year << "-" << month;
        }
        ASSERT_EQ(Calendar::daysSinceEpoch(year, 3, 1) - Calendar::daysSinceEpoch(year, 2, 28),
                  (year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) ? 2 : 1)
            << year;
    }
}

TEST(CalendarTest, OutOfRangeFieldsCarry)
{
    struct Case
    {
        Calendar::Fields in;
        Calendar::Fields expected;
    };
    const Case cases[] = {
        {{2011, 1, 40, 0, 0, 0}, {2011, 2, 9, 0, 0, 0}},
        {{2011, 3, 1, 0, 0, -10}, {2011, 2, 28, 23, 59, 50}},
        {{2012, 3, 0, 0, 0, 0}, {2012, 2, 29, 0, 0, 0}},
        {{2011, 13, 1, 0, 0, 0}, {2012, 1, 1, 0, 0, 0}},
        {{2011, 0, 1, 0, 0, 0}, {2010, 12, 1, 0, 0, 0}},
        {{2011, 255, 255, 255, 255, 255}, {2032, 11, 20, 19, 19, 15}},
        {{2011, 12, 31, 24, 0, 0}, {2012, 1, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Calendar::Fields f = c.in;
        ASSERT_TRUE(Calendar::addSeconds(f, 0));
        const std::int64_t oracle =
            oracleSeconds(c.in.year, c.in.month, c.in.day, c.in.hour, c.in.minute, c.in.second);
        EXPECT_EQ(Calendar::secondsSinceEpoch(c.in), oracle);
        EXPECT_EQ(f.year, c.expected.year);
        EXPECT_EQ(f.month, c.expected.month);
        EXPECT_EQ(f.day, c.expected.day);
        EXPECT_EQ(f.hour, c.expected.hour);
        EXPECT_EQ(f.minute, c.expected.minute);
        EXPECT_EQ(f.second, c.expected.second);
    }
}

TEST(CalendarTest, ResultsBeyondSixteenBitYearsFailAndKeepTheFields)
{
    const Calendar::Fields start{2011, 5, 31, 14, 7, 9};
    const std::int64_t base = Calendar::secondsSinceEpoch(start);
    const std::int64_t overflows[] = {
        INT64_MAX,
        INT64_MIN,
        Calendar::daysSinceEpoch(Calendar::maxYear + 1, 1, 1) * 86400 - base,
        Calendar::daysSinceEpoch(Calendar::minYear, 1, 1) * 86400 - 1 - base,
    };
    for (std::int64_t seconds : overflows) {
        Calendar::Fields f = start;
        EXPECT_FALSE(Calendar::addSeconds(f, seconds)) << seconds;
        EXPECT_EQ(f.year, 2011);
        EXPECT_EQ(f.month, 5);
        EXPECT_EQ(f.day, 31);
        EXPECT_EQ(f.hour, 14);
    }
    Calendar::Fields last{Calendar::maxYear, 12, 31, 23, 59, 59};
    EXPECT_TRUE(Calendar::addSeconds(last, 0));
    EXPECT_FALSE(Calendar::addSeconds(last, 1));
}

} // namespace
} // namespace corvane
