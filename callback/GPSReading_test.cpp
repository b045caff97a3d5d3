#include "callback/GPSReading.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

// A sentence with these position, speed and course fields.
std::string sentence(const std::string& lat, const std::string& ns, const std::string& lon,
                     const std::string& ew, const std::string& speed = "0.13",
                     const std::string& course = "309.62")
{
    return "$GPRMC,134530,A," + lat + "," + ns + "," + lon + "," + ew + "," + speed + "," + course +
           ",310511,,";
}

TEST(GPSReading, HostileCoordinatesAreNoPosition)
{
    const struct
    {
        std::string lat, ns, lon, ew;
        bool position;
        double latitude, longitude;
    } cases[] = {
        {"3723.2475", "N", "12158.3416", "W", true, 37.387458, -121.972360},
        {"3723.2475", "S", "12158.3416", "E", true, -37.387458, 121.972360},
        {"3723", "N", "12158", "W", true, 37.383333, -121.966667},
        {"0000.0000", "N", "00000.0000", "E", true, 0, 0},
        {"9000.0000", "S", "18000.0000", "W", true, -90, -180},
        {"8959.99999999", "N", "17959.99999999", "E", true, 90, 180},
        // Off the globe, or minutes that are no minutes.
        {"9000.0001", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "18000.0001", "E", false, 0, 0},
        {"9959.9999", "N", "12158.3416", "W", false, 0, 0},
        {"3760.0000", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "12160.0000", "W", false, 0, 0},
        {"36000.0000", "N", "72000.0000", "E", false, 0, 0},
        // Not digits in ddmm.mmmm / dddmm.mmmm form.
        {"1e300", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "1e300", "W", false, 0, 0},
        {"abc", "N", "12158.3416", "W", false, 0, 0},
        {"nan", "N", "nan", "E", false, 0, 0},
        {"inf", "N", "-inf", "E", false, 0, 0},
        {"-3723.2475", "N", "12158.3416", "W", false, 0, 0},
        {"+3723.2475", "N", "12158.3416", "W", false, 0, 0},
        {" 3723.2475", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475 ", "N", "12158.3416", "W", false, 0, 0},
        {"3723.24.75", "N", "12158.3416", "W", false, 0, 0},
        {"3723.", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "12158.", "W", false, 0, 0},
        {".2475", "N", "12158.3416", "W", false, 0, 0},
        {"372.2475", "N", "12158.3416", "W", false, 0, 0},
        {"03723.2475", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "2158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "012158.3416", "W", false, 0, 0},
        {"0x1A.0", "N", "12158.3416", "W", false, 0, 0},
        // Hemispheres: exactly one of the two letters of its axis.
        {"3723.2475", "", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "12158.3416", "", false, 0, 0},
        {"3723.2475", "E", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "12158.3416", "S", false, 0, 0},
        {"3723.2475", "n", "12158.3416", "w", false, 0, 0},
        {"3723.2475", "NN", "12158.3416", "W", false, 0, 0},
        {"", "N", "12158.3416", "W", false, 0, 0},
        {"3723.2475", "N", "", "W", false, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string text = sentence(c.lat, c.ns, c.lon, c.ew);
        SCOPED_TRACE(text);
        const GPSReading r = GPSReading::read(text);
        ASSERT_EQ(r.hasPosition, c.position);
        EXPECT_NEAR(r.latitude, c.latitude, 1e-6);
        EXPECT_NEAR(r.longitude, c.longitude, 1e-6);
        // The rest of the sentence is read whatever the position.
        EXPECT_DOUBLE_EQ(r.speed, 0.13);
        EXPECT_DOUBLE_EQ(r.course, 309.62);
        EXPECT_EQ(r.fixTime, Time(13, 45, 30));
    }
}

TEST(GPSReading, SpeedAndCourseAreUnsignedDecimalsOrDefaults)
{
    const struct
    {
        std::string speed, course;
        double knots, degrees;
    } cases[] = {
        {"022.4", "084.4", 22.4, 84.4},
        {"0", "0", 0, 0},
        {"", "", 0, -1},
        {"-5", "-90", 0, 0},
        {"nan", "nan", 0, 0},
        {"inf", "inf", 0, 0},
        {"1e300", "1e5", 0, 0},
        {"12.5abc", "12.5 ", 0, 0},
        {std::string(400, '9'), std::string(400, '9'), 0, 0},
        {".5", "5.", 0.5, 5},
    };
    for (const auto& c : cases) {
        const std::string text = sentence("3723.2475", "N", "12158.3416", "W", c.speed, c.course);
        SCOPED_TRACE(text);
        const GPSReading r = GPSReading::read(text);
        EXPECT_TRUE(r.hasPosition);
        EXPECT_DOUBLE_EQ(r.speed, c.knots);
        EXPECT_DOUBLE_EQ(r.course, c.degrees);
    }
}

TEST(GPSReading, ShortAndUnsplittableSentencesReadNothing)
{
    for (const char* text : {"", "$", "$GPRMC", "$GPRMC,", "$GPRMC,134530,A,3723.2475,N",
                             "$GPRMC,134530,A,3723.2475,N,12158.3416", ",,,,,,,,,,,,,,,,,,,,,"}) {
        SCOPED_TRACE(text);
        const GPSReading r = GPSReading::read(text);
        EXPECT_FALSE(r.hasPosition);
        EXPECT_EQ(r.latitude, 0.0);
        EXPECT_EQ(r.speed, 0.0);
        EXPECT_EQ(r.course, -1.0);
    }
    // The last field may end at an asterisk (checksum left on).
    const GPSReading r = GPSReading::read("$GPRMC,134530,A,3723.2475,N,12158.3416,W,1.5,90*1C");
    EXPECT_TRUE(r.hasPosition);
    EXPECT_DOUBLE_EQ(r.course, 90);
}

} // namespace
} // namespace corvane
