#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "testsupport/TempFolder.h"
#include "data/TrackQuery.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

const char* const truck = "6b0c2f2e-0000-4000-8000-000000000001";
const char* const van = "6b0c2f2e-0000-4000-8000-000000000002";

std::string sentence(double latMinutes, double lonMinutes, const char* course = "45.0")
{
    // ddmm.mmmm / dddmm.mmmm with the minutes given.
    char text[160];
    std::snprintf(text, sizeof text, "$GPRMC,080000,A,51%07.4f,N,000%07.4f,W,12.5,%s,311211,,",
                  latMinutes, lonMinutes, course);
    return text;
}

class TrackQueryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The station's own open makes the schema and the index.
        DBManager::getInstance().open(path, 5000);
        DBManager::getInstance().close();
        db.open(path.c_str(), 5000);
    }

    void add(const char* vehicle, const char* time, const std::string& gps)
    {
        Statement insert(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                             "(?, DATETIME(?), ?);");
        insert.bindText(1, gps.c_str());
        insert.bindText(2, time);
        insert.bindText(3, vehicle);
        insert.execute();
    }

    std::vector<std::string> timesOf(const std::vector<TrackPoint>& points)
    {
        std::vector<std::string> times;
        for (const TrackPoint& p : points)
            times.push_back(formatTrackTime(p.time));
        return times;
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
    Database db;
};

TEST_F(TrackQueryTest, RangeSelectsExactlyItsRowsOldestFirst)
{
    // Stored out of order, with the neighbours of both boundaries, another
    // vehicle in the same hours, and samples that carry no position.
    add(truck, "2011-12-31 09:30:00", sentence(30, 30));
    add(truck, "2011-12-31 07:59:59", sentence(1, 1));
    add(truck, "2011-12-31 08:00:00", sentence(10, 10));
    add(van, "2011-12-31 09:00:00", sentence(50, 50));
    add(truck, "2011-12-31 11:00:00", sentence(40, 40));
    add(truck, "2011-12-31 11:00:01", sentence(2, 2));
    add(truck, "2011-12-31 09:00:00", sentence(20, 20));
    add(truck, "2011-12-31 09:00:00", sentence(21, 21, "")); // same second, stored later
    add(truck, "2011-12-31 09:10:00", "");
    add(truck, "2011-12-31 09:20:00", "$GPRMC,080000,V,,,,,,,311211,,");
    add(truck, "31/12/2011 09:40:00", sentence(3, 3)); // stored as NULL time

    std::vector<TrackPoint> points;
    EXPECT_EQ(TrackQuery::load(db, truck, "2011-12-31 08:00:00", "2011-12-31 11:00:00", points),
              5u);
    EXPECT_EQ(timesOf(points),
              (std::vector<std::string>{"2011-12-31 08:00:00", "2011-12-31 09:00:00",
                                        "2011-12-31 09:00:00", "2011-12-31 09:30:00",
                                        "2011-12-31 11:00:00"}));
    ASSERT_EQ(points.size(), 5u);
    EXPECT_NEAR(points[0].latitude, 51 + 10 / 60.0, 1e-9);
    EXPECT_NEAR(points[0].longitude, -(10 / 60.0), 1e-9);
    EXPECT_NEAR(points[1].latitude, 51 + 20 / 60.0, 1e-9);
    EXPECT_NEAR(points[2].latitude, 51 + 21 / 60.0, 1e-9);
    EXPECT_EQ(points[2].course, -1.0);
    EXPECT_EQ(points[1].course, 45.0);
    EXPECT_EQ(points[1].speed, 12.5);

    // A range of one second holds both samples of that second; an empty
    // range and an unknown vehicle hold nothing.
    points.clear();
    EXPECT_EQ(TrackQuery::load(db, truck, "2011-12-31 09:00:00", "2011-12-31 09:00:00", points),
              2u);
    EXPECT_EQ(TrackQuery::load(db, truck, "2011-12-31 12:00:00", "2011-12-31 13:00:00", points),
              0u);
    EXPECT_EQ(
        TrackQuery::load(db, "x' OR '1'='1", "2000-01-01 00:00:00", "2100-01-01 00:00:00", points),
        0u);

    std::string latest;
    ASSERT_TRUE(TrackQuery::latestTime(db, truck, latest));
    EXPECT_EQ(latest, "2011-12-31 11:00:01");
    EXPECT_FALSE(TrackQuery::latestTime(db, "nobody", latest));
}

TEST(TrackQuerySentence, ReadsPositionsAndRefusesThoseWithout)
{
    struct Case
    {
        const char* sentence;
        bool hasPosition;
        double latitude, longitude, speed, course;
    };
    const Case cases[] = {
        {"$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,120598,,", true, 37.387458,
         -121.972360, 0.13, 309.62},
        {"$GPRMC,134530,A,3723.2475,S,12158.3416,E,0.13,,120598,,", true, -37.387458, 121.972360,
         0.13, -1},
        {"$GPRMC,134530,A,0000.0000,N,00000.0000,E,0,0*1C", true, 0, 0, 0, 0},
        {"$GPRMC,134530,V,,N,12158.3416,W,0,0,", false, 0, 0, 0, 0},
        {"$GPRMC,134530,A,3723.2475,N,,W,0,0,", false, 0, 0, 0, 0},
        {"$GPRMC,134530", false, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0},
        {"$GPRMC,1,A,9900.0,N,00000.0,E,0,0", false, 0, 0, 0, 0}, // beyond the pole
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        TrackPoint point;
        ASSERT_EQ(TrackQuery::readSentence(c.sentence, point), c.hasPosition);
        if (!c.hasPosition)
            continue;
        EXPECT_NEAR(point.latitude, c.latitude, 1e-6);
        EXPECT_NEAR(point.longitude, c.longitude, 1e-6);
        EXPECT_DOUBLE_EQ(point.speed, c.speed);
        EXPECT_DOUBLE_EQ(point.course, c.course);
    }
}

TEST(TrackTime, ReadsAndWritesStoredTimes)
{
    const char* const good[] = {"1970-01-01 00:00:00", "2011-05-31 13:45:30", "2000-02-29 23:59:59",
                                "1969-12-31 23:59:59", "2100-12-31 00:00:00"};
    for (const char* text : good) {
        std::int64_t seconds = -7;
        ASSERT_TRUE(parseTrackTime(text, seconds)) << text;
        EXPECT_EQ(formatTrackTime(seconds), text);
    }
    std::int64_t s = 0;
    ASSERT_TRUE(parseTrackTime("1970-01-02 00:00:01", s));
    EXPECT_EQ(s, 86401);
    const char* const bad[] = {"",
                               "2011-05-31",
                               "2011-05-31T13:45:30",
                               "2011-13-01 00:00:00",
                               "2011-05-31 24:00:00",
                               "2011-05-31 13:45:3x",
                               "2011-05-31 13:45:300"};
    for (const char* text : bad) {
        std::int64_t seconds = 42;
        EXPECT_FALSE(parseTrackTime(text, seconds)) << text;
        EXPECT_EQ(seconds, 42);
    }
}

} // namespace
} // namespace corvane
