#include "base/DateTime.h"
#include "base/FormatableBuffer.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

template <typename T>
std::string text(const T& value)
{
    FormatableBuffer<64> buffer;
    value.toString(buffer);
    return buffer.getText();
}

// Sets the process's time zone for one test and restores it afterwards.
class ScopedZone
{
public:
    explicit ScopedZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        m_hadOld = std::getenv("TZ") != nullptr;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedZone()
    {
        if (m_hadOld)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

TEST(DateTest, PacksFieldsAsTheWireFormCarriesThem)
{
    struct Case
    {
        int year, month, day;
        std::int32_t packed;
    };
    const Case cases[] = {
        {2011, 5, 31, 2011 * 65536 + 5 * 256 + 31},
        {1970, 1, 1, 1970 * 65536 + 256 + 1},
        {0, 0, 0, 0},
        {-1, 255, 255, -1},
    };
    for (const Case& c : cases) {
        const Date made(c.year, c.month, c.day);
        EXPECT_EQ(made.packed(), c.packed);
        const Date read = Date::fromPacked(c.packed);
        EXPECT_EQ(read.year(), c.year);
        EXPECT_EQ(read.month(), c.month);
        EXPECT_EQ(read.day(), c.day);
    }
    EXPECT_FALSE(Date().isSet());
    EXPECT_EQ(Date().packed(), -1);
    EXPECT_EQ(text(Date::unset()), "-1/255/255");
    EXPECT_EQ(text(Date(2011, 5, 31)), "2011/05/31");
}

TEST(TimeTest, PacksFieldsAndZoneUnits)
{
    const Time t(14, 7, 9, 3600);
    EXPECT_EQ(t.packed(), (4 << 24) | (14 << 16) | (7 << 8) | 9);
    EXPECT_EQ(Time::fromPacked(14 * 65536 + 7 * 256 + 9), Time(14, 7, 9));
    EXPECT_EQ(text(Time(7, 3, 9, 0)), "07:03:09");
    EXPECT_EQ(Time().packed(), -1);
    EXPECT_FALSE(Time::unset().isSet());

    struct Case
    {
        int zoneSeconds, units, reported;
    };
    const Case zones[] = {
        {-32400, -36, -32400}, {1000, 1, 900},     {-1000, -1, -900},     {899, 0, 0},
        {19800, 22, 19800},    {50400, 56, 50400}, {200000, 127, 114300}, {-200000, -128, -115200},
    };
    for (const Case& c : zones) {
        const Time zoned(12, 0, 0, c.zoneSeconds);
        EXPECT_EQ(zoned.zoneUnits(), c.units) << c.zoneSeconds;
        EXPECT_EQ(zoned.zoneSeconds(), c.reported) << c.zoneSeconds;
        EXPECT_EQ(zoned.hour(), 12);
    }
}

// Checks that `values`, listed in ascending order, compare that way pairwise.
template <typename T>
void expectAscending(const std::vector<T>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t j = 0; j < values.size(); ++j) {
            EXPECT_EQ(values[i].lessThan(values[j]), i < j) << i << " " << j;
            EXPECT_EQ(values[i].greaterThan(values[j]), i > j) << i << " " << j;
            EXPECT_EQ(values[i].equals(values[j]), i == j) << i << " " << j;
        }
    }
}

TEST(DateTimeTest, OrderingPutsUnsetLastAndIgnoresZones)
{
    expectAscending<Date>({Date(1999, 12, 31), Date(2011, 1, 31), Date(2011, 2, 1),
                           Date(2011, 2, 2), Date(2012, 1, 1), Date::unset()});
    expectAscending<Time>({Time(0, 0, 0), Time(0, 0, 59, -3600), Time(0, 1, 0, 3600),
                           Time(23, 59, 59), Time::unset()});
    expectAscending<DateTime>({DateTime(2011, 5, 30, 23, 59, 59), DateTime(2011, 5, 31, 0, 0, 0),
                               DateTime(2011, 5, 31, 0, 0, 1),
                               DateTime(2011, 5, 31, 13, 0, 0, -7200),
                               DateTime(Date(2011, 5, 31), Time()), DateTime()});

    const Time east(10, 0, 0, 3600);
    const Time west(10, 0, 0, -3600);
    EXPECT_TRUE(east.equals(west));
    EXPECT_FALSE(east.lessThan(west));
    EXPECT_FALSE(west.lessThan(east));
    EXPECT_TRUE(east.lessOrEqual(west));
    EXPECT_TRUE(DateTime(2011, 5, 31, 1, 2, 3, 3600).equals(DateTime(2011, 5, 31, 1, 2, 3, 0)));
}

TEST(DateTest, AddDaysCrossesMonthYearAndLeapDays)
{
    struct Case
    {
        Date from;
        std::int64_t days;
        Date expected;
    };
    const Case cases[] = {
        {Date(2012, 2, 28), 1, Date(2012, 2, 29)},
        {Date(2011, 2, 28), 1, Date(2011, 3, 1)},
        {Date(2012, 2, 29), 1, Date(2012, 3, 1)},
        {Date(2012, 3, 1), -1, Date(2012, 2, 29)},
        {Date(2100, 2, 28), 1, Date(2100, 3, 1)},
        {Date(2000, 2, 28), 1, Date(2000, 2, 29)},
        {Date(2011, 12, 31), 1, Date(2012, 1, 1)},
        {Date(2012, 1, 1), -1, Date(2011, 12, 31)},
        {Date(2011, 1, 31), 1, Date(2011, 2, 1)},
        {Date(2011, 5, 31), 0, Date(2011, 5, 31)},
        {Date(2011, 1, 1), 365, Date(2012, 1, 1)},
        {Date(2012, 1, 1), 366, Date(2013, 1, 1)},
        {Date(1970, 1, 1), -1, Date(1969, 12, 31)},
        {Date(2011, 1, 40), 0, Date(2011, 2, 9)},
        {Date(2011, 13, 1), 0, Date(2012, 1, 1)},
        {Date(2011, 5, 31), 36524, Date(2111, 5, 31)},
        {Date::unset(), 1, Date::unset()},
        {Date(2011, 5, 31), INT64_MAX, Date(2011, 5, 31)},
        {Date(2011, 5, 31), 20000000, Date(2011, 5, 31)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text(c.from.addDays(c.days)), text(c.expected))
            << text(c.from) << " + " << c.days;
}

TEST(DateTimeTest, AddSecondsNormalisesAndKeepsTheZone)
{
    struct Case
    {
        DateTime from;
        std::int64_t seconds;
        DateTime expected;
    };
    const Case cases[] = {
        {DateTime(2011, 12, 31, 23, 59, 30), 45, DateTime(2012, 1, 1, 0, 0, 15)},
        {DateTime(2012, 1, 1, 0, 0, 15), -45, DateTime(2011, 12, 31, 23, 59, 30)},
        {DateTime(2012, 2, 28, 23, 0, 0), 3600, DateTime(2012, 2, 29, 0, 0, 0)},
        {DateTime(2011, 2, 28, 23, 0, 0), 3600, DateTime(2011, 3, 1, 0, 0, 0)},
        {DateTime(2011, 4, 30, 12, 0, 0), 86400 * 2, DateTime(2011, 5, 2, 12, 0, 0)},
        {DateTime(2011, 5, 31, 14, 7, 9), 0, DateTime(2011, 5, 31, 14, 7, 9)},
        {DateTime(2011, 5, 31, 14, 7, 70), 0, DateTime(2011, 5, 31, 14, 8, 10)},
        {DateTime(2011, 5, 31, 14, 7, 9), INT64_MAX, DateTime(2011, 5, 31, 14, 7, 9)},
        {DateTime(), 10, DateTime()},
    };
    for (const Case& c : cases) {
        const DateTime moved = c.from.addSeconds(c.seconds);
        EXPECT_EQ(text(moved), text(c.expected)) << text(c.from) << " + " << c.seconds;
        EXPECT_EQ(moved.date().packed(), c.expected.date().packed());
    }
    const DateTime zoned(2011, 12, 31, 23, 59, 30, -18000);
    EXPECT_EQ(zoned.addSeconds(45).time().zoneSeconds(), -18000);
    // Half-set values have nothing to move from.
    const DateTime dateOnly(Date(2011, 5, 31), Time());
    EXPECT_EQ(dateOnly.addSeconds(60).time().packed(), Time::unsetValue);
}

TEST(DateTimeTest, SecondsSinceIgnoresZones)
{
    struct Case
    {
        DateTime later, earlier;
        std::int64_t seconds;
    };
    const Case cases[] = {
        {DateTime(2011, 1, 1, 0, 0, 0), DateTime(2010, 12, 31, 23, 59, 59), 1},
        {DateTime(2010, 12, 31, 23, 59, 59), DateTime(2011, 1, 1, 0, 0, 0), -1},
        {DateTime(2012, 3, 1, 0, 0, 0), DateTime(2012, 2, 28, 0, 0, 0), 2 * 86400},
        {DateTime(2011, 3, 1, 0, 0, 0), DateTime(2011, 2, 28, 0, 0, 0), 86400},
        {DateTime(2011, 5, 31, 12, 0, 0, 3600), DateTime(2011, 5, 31, 12, 0, 0, -3600), 0},
        {DateTime(2100, 1, 1, 0, 0, 0), DateTime(1970, 1, 1, 0, 0, 0), 4102444800},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.later.secondsSince(c.earlier), c.seconds) << text(c.later);
}

TEST(DateTimeTest, TextForms)
{
    EXPECT_EQ(text(DateTime(2011, 5, 31, 14, 7, 9)), "2011/05/31 14:07:09");
    EXPECT_EQ(text(DateTime(999, 1, 2, 3, 4, 5)), "999/01/02 03:04:05");
    FormatableBuffer<64> gmt;
    struct Case
    {
        DateTime value;
        const char* expected;
    };
    const Case cases[] = {
        {DateTime(2011, 5, 31, 14, 7, 9), "Tue, 31 May 2011 14:07:09 GMT"},
        {DateTime(2011, 5, 31, 14, 7, 9, 32400), "Tue, 31 May 2011 14:07:09 GMT"},
        {DateTime(1970, 1, 1, 0, 0, 0), "Thu, 01 Jan 1970 00:00:00 GMT"},
        {DateTime(2000, 2, 29, 23, 59, 59), "Tue, 29 Feb 2000 23:59:59 GMT"},
        {DateTime(2012, 12, 2, 1, 2, 3), "Sun, 02 Dec 2012 01:02:03 GMT"},
        {DateTime(2011, 6, 4, 1, 2, 3), "Sat, 04 Jun 2011 01:02:03 GMT"},
        {DateTime(2011, 13, 1, 0, 0, 0), "Sun, 01 ??? 2011 00:00:00 GMT"},
    };
    for (const Case& c : cases) {
        c.value.toGmtString(gmt);
        EXPECT_STREQ(gmt.getText(), c.expected);
    }
}

TEST(DateTimeTest, ByteFormsFollowTheRequestedOrder)
{
    const DateTime value(2011, 5, 31, 14, 7, 9, -32400);
    const std::uint8_t little[8] = {0xdb, 0x07, 5, 31, 0xdc, 14, 7, 9};
    const std::uint8_t big[8] = {0x07, 0xdb, 5, 31, 0xdc, 14, 7, 9};
    struct Case
    {
        ByteOrder order;
        const std::uint8_t* bytes;
    };
    for (const Case& c : {Case{ByteOrder::Little, little}, Case{ByteOrder::Big, big}}) {
        std::uint8_t buffer[10] = {};
        ASSERT_TRUE(value.writeAt(buffer, 1, c.order));
        EXPECT_EQ(0, std::memcmp(buffer + 1, c.bytes, 8));
        EXPECT_EQ(buffer[0], 0);
        EXPECT_EQ(buffer[9], 0);

        DateTime read;
        ASSERT_TRUE(read.readAt(buffer, 1, c.order));
        EXPECT_EQ(read.date().packed(), value.date().packed());
        EXPECT_EQ(read.time().packed(), value.time().packed());

        std::stringstream stream;
        ASSERT_TRUE(value.writeTo(stream, c.order));
        EXPECT_EQ(stream.str(), std::string(reinterpret_cast<const char*>(c.bytes), 8));
        DateTime streamed;
        ASSERT_TRUE(streamed.readFrom(stream, c.order));
        EXPECT_EQ(streamed.time().zoneSeconds(), -32400);
        EXPECT_EQ(streamed, value);
    }
    EXPECT_EQ(value.serializedSize(), 8u);
    EXPECT_EQ(value.date().serializedSize(), 4u);
    EXPECT_EQ(value.time().serializedSize(), 4u);
}

TEST(DateTimeTest, ByteFormsNeverLeaveTheBuffer)
{
    const DateTime value(2011, 5, 31, 14, 7, 9);
    std::uint8_t buffer[8] = {};
    for (std::size_t offset : {std::size_t{1}, std::size_t{8}, std::size_t{9}, SIZE_MAX}) {
        EXPECT_FALSE(value.writeAt(buffer, offset, ByteOrder::Little)) << offset;
        DateTime read;
        EXPECT_FALSE(read.readAt(buffer, offset, ByteOrder::Little)) << offset;
        EXPECT_FALSE(read.isSet());
    }
    EXPECT_FALSE(value.date().writeAt(std::span<std::uint8_t>(buffer, 3), 0, ByteOrder::Big));

    std::stringstream shortStream(std::string("\xdb\x07\x05", 3));
    Date date(2000, 1, 1);
    EXPECT_FALSE(date.readFrom(shortStream, ByteOrder::Little));
    EXPECT_EQ(date, Date(2000, 1, 1));
}

TEST(DateTimeTest, ClockValuesFollowTheProcessZone)
{
    ScopedZone zone("EST5"); // fixed five hours west, no daylight saving
    const DateTime utc = DateTime::utcNow();
    const DateTime local = DateTime::now();
    EXPECT_EQ(utc.time().zoneSeconds(), 0);
    EXPECT_EQ(local.time().zoneSeconds(), -18000);
    // The two readings may straddle a second boundary.
    const std::int64_t offset = local.secondsSince(utc);
    EXPECT_GE(offset, -18000);
    EXPECT_LE(offset, -18000 + 1);

    const std::time_t midnightUtc = 1306800000; // 2011-05-31 00:00:00 UTC
    EXPECT_EQ(Date(midnightUtc), Date(2011, 5, 30));
    EXPECT_EQ(Date(midnightUtc + 5 * 3600), Date(2011, 5, 31));
    const Date today = Date::today();
    EXPECT_TRUE(today == local.date() || today == local.date().addDays(1));
}

TEST(DateTimeTest, LocalZoneLeavesDaylightSavingOut)
{
    // Central Europe: clocks run two hours east in summer; the zone stays one.
    ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(DateTime::now().time().zoneSeconds(), 3600);
}

} // namespace
} // namespace corvane
