#include "base/DateTimeFormat.h"
#include "base/FormatableBuffer.h"

#include <clocale>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

std::string formatted(const DateTime& value, const char* pattern, bool* whole = nullptr)
{
    FormatableBuffer<256> buffer;
    const bool ok = DateTimeFormat::formatDateTime(value, pattern, buffer);
    if (whole)
        *whole = ok;
    return buffer.getText();
}

TEST(DateTimeFormatTest, EveryPatternOfTheTable)
{
    // An afternoon and a moment after midnight, so that the 12-hour patterns
    // show both halves of the day and the hour that reads as 12.
    const DateTime afternoon(2011, 5, 31, 14, 7, 9);
    const DateTime night(2009, 1, 5, 0, 5, 3);
    struct Case
    {
        const char* pattern;
        const char* afternoon;
        const char* night;
    };
    const Case table[DateTimeFormat::patternCount] = {
        {"%Y-%m-%d", "2011-05-31", "2009-01-05"},
        {"%Y.%m.%d", "2011.05.31", "2009.01.05"},
        {"%Y/%m/%d", "2011/05/31", "2009/01/05"},
        {"%m-%d-%Y", "05-31-2011", "01-05-2009"},
        {"%m.%d.%Y", "05.31.2011", "01.05.2009"},
        {"%m/%d/%Y", "05/31/2011", "01/05/2009"},
        {"%d-%m-%Y", "31-05-2011", "05-01-2009"},
        {"%d.%m.%Y", "31.05.2011", "05.01.2009"},
        {"%d/%m/%Y", "31/05/2011", "05/01/2009"},
        {"%y-%m-%d", "11-05-31", "09-01-05"},
        {"%y.%m.%d", "11.05.31", "09.01.05"},
        {"%y/%m/%d", "11/05/31", "09/01/05"},
        {"%m-%d-%y", "05-31-11", "01-05-09"},
        {"%m.%d.%y", "05.31.11", "01.05.09"},
        {"%m/%d/%y", "05/31/11", "01/05/09"},
        {"%d-%m-%y", "31-05-11", "05-01-09"},
        {"%d.%m.%y", "31.05.11", "05.01.09"},
        {"%d/%m/%y", "31/05/11", "05/01/09"},
        {"%Y-%m", "2011-05", "2009-01"},
        {"%Y.%m", "2011.05", "2009.01"},
        {"%Y/%m", "2011/05", "2009/01"},
        {"%m-%Y", "05-2011", "01-2009"},
        {"%m.%Y", "05.2011", "01.2009"},
        {"%m/%Y", "05/2011", "01/2009"},
        {"%y-%m", "11-05", "09-01"},
        {"%y.%m", "11.05", "09.01"},
        {"%y/%m", "11/05", "09/01"},
        {"%m-%y", "05-11", "01-09"},
        {"%m.%y", "05.11", "01.09"},
        {"%m/%y", "05/11", "01/09"},
        {"%H:%M", "14:07", "00:05"},
        {"%H:%M:%S", "14:07:09", "00:05:03"},
        {"%I:%M", "02:07", "12:05"},
        {"%I:%M:%S", "02:07:09", "12:05:03"},
        {"%I:%M %p", "02:07 PM", "12:05 AM"},
        {"%I:%M:%S %p", "02:07:09 PM", "12:05:03 AM"},
        {"%p %I:%M", "PM 02:07", "AM 12:05"},
        {"%p %I:%M:%S", "PM 02:07:09", "AM 12:05:03"},
    };
    for (std::size_t i = 0; i < DateTimeFormat::patternCount; ++i) {
        const char* pattern = DateTimeFormat::pattern(i);
        ASSERT_NE(pattern, nullptr);
        EXPECT_STREQ(pattern, table[i].pattern) << i;
        EXPECT_EQ(formatted(afternoon, pattern), table[i].afternoon) << i;
        EXPECT_EQ(formatted(night, pattern), table[i].night) << i;
    }
    EXPECT_EQ(DateTimeFormat::pattern(DateTimeFormat::patternCount), nullptr);
}

TEST(DateTimeFormatTest, DisplayTextJoinsDateAndTimePatterns)
{
    FormatableBuffer<256> joined;
    joined.format("%s %s", DateTimeFormat::pattern(0), DateTimeFormat::pattern(31));
    EXPECT_EQ(formatted(DateTime(2011, 5, 31, 14, 7, 9), joined.getText()), "2011-05-31 14:07:09");
    EXPECT_EQ(formatted(DateTime(2011, 5, 31, 14, 7, 9, -18000), joined.getText()),
              "2011-05-31 14:07:09");
}

TEST(DateTimeFormatTest, TwelveHourClockAroundNoonAndMidnight)
{
    const struct
    {
        int hour;
        const char* expected;
    } cases[] = {{0, "12 AM"},  {1, "01 AM"},  {11, "11 AM"},
                 {12, "12 PM"}, {13, "01 PM"}, {23, "11 PM"}};
    for (const auto& c : cases)
        EXPECT_EQ(formatted(DateTime(2011, 5, 31, c.hour, 0, 0), "%I %p"), c.expected);
}

TEST(DateTimeFormatTest, CalendarNamesMatchTheRuntimeCalendar)
{
    // Weekday, day of the year and names against gmtime()'s own breakdown,
    // both printed in the C locale.
    const char* pattern = "%a %A %b %B %j %e %u %w";
    std::tm tm{};
    for (std::int64_t days = -3650; days < 47482; days += 11) {
        const std::time_t t = days * 86400 + 3723;
        ASSERT_NE(gmtime_r(&t, &tm), nullptr);
        char expected[128];
        ASSERT_NE(std::strftime(expected, sizeof expected, pattern, &tm), 0u);
        const DateTime value(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                             tm.tm_sec);
        ASSERT_EQ(formatted(value, pattern), expected) << days;
    }
}

TEST(DateTimeFormatTest, DateAndTimeAloneFillTheMissingHalf)
{
    FormatableBuffer<64> out;
    EXPECT_TRUE(DateTimeFormat::formatDate(Date(2011, 5, 31), "%Y-%m-%d %H:%M:%S %a %p", out));
    EXPECT_STREQ(out.getText(), "2011-05-31 00:00:00 Tue AM");
    EXPECT_TRUE(DateTimeFormat::formatTime(Time(14, 7, 9, 3600), "%Y-%m-%d %a %H:%M:%S %z", out));
    EXPECT_STREQ(out.getText(), "2000-01-01 Sat 14:07:09 +0100");
    EXPECT_TRUE(DateTimeFormat::formatDateTime(DateTime(), "%Y-%m-%d %H:%M:%S", out));
    EXPECT_STREQ(out.getText(), "-1-255-255 255:255:255");
}

TEST(DateTimeFormatTest, LongResultsAreCutAndReported)
{
    const DateTime value(2011, 5, 31, 14, 7, 9);
    const std::string fits(DateTimeFormat::maxLength, 'x');
    const std::string over(DateTimeFormat::maxLength + 1, 'x');
    bool whole = false;
    EXPECT_EQ(formatted(value, fits.c_str(), &whole), fits);
    EXPECT_TRUE(whole);
    EXPECT_EQ(formatted(value, (over + "%Y").c_str(), &whole), fits);
    EXPECT_FALSE(whole);
    EXPECT_EQ(formatted(value, "", &whole), "");
    EXPECT_TRUE(whole);

    FormatableBuffer<64> out;
    out.format("old");
    EXPECT_FALSE(DateTimeFormat::formatDateTime(value, nullptr, out));
    EXPECT_STREQ(out.getText(), "");
}

TEST(DateTimeFormatTest, ProcessLocaleDoesNotChangeTheText)
{
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    // Any installed locale other than C will do; without one the check is
    // still meaningful for the C locale itself.
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr)
            break;
    }
    EXPECT_EQ(formatted(DateTime(2011, 5, 31, 14, 7, 9), "%a %b %I %p"), "Tue May 02 PM");
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace corvane
