// The station program raises its own zone and speed events: zones written into
// app.db while it was stopped are taken at the next start, a report without a
// fix changes nothing, and a vehicle inside a zone at a restart is not said to
// enter it again.

#include "data/Database.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace corvane {
namespace {

const char* const vehicle = "0badc0de-0000-4000-8000-0000000020e5";

// A report of the bus at 12:00:second with the speed in knots; by default at
// 37.3875 N, 121.9724 W, inside the depot.
std::string report(int second, const std::string& knots,
                   const std::string& position = "3723.2475,N,12158.3416,W")
{
    const long date = 2026 * 65536L + 12 * 256L + 10;
    const long time = 12 * 65536L + second;
    char fix[16];
    std::snprintf(fix, sizeof fix, "1200%02d", second);
    return "Bus,100,0,x,DVR,0," + std::to_string(date) + "," + std::to_string(time) + ",a,0,b," +
           vehicle + ",$GPRMC," + fix + ",A," + position + "," + knots + ",0,101226,,*00";
}

bool stop(StationFixture& station)
{
    station.process().signal(SIGTERM);
    const auto status = station.process().waitExit(StationFixture::deadlineMs);
    return status && WIFEXITED(*status);
}

std::vector<Row> events(StationFixture& station)
{
    return station.appDb().query("SELECT event_type, device_title, name, time, vehicle_id FROM "
                                 "event_info ORDER BY id;");
}

Row event(const char* type, const std::string& title, int second)
{
    char time[32];
    std::snprintf(time, sizeof time, "2026-12-10 12:00:%02d", second);
    return {type, title, "Bus", time, vehicle};
}

TEST(StationZones, ZonesFromTheFileRaiseEventsOnceAcrossARestart)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    ASSERT_TRUE(stop(station)) << station.process().log();
    {
        // The operator's zones, written while the station was stopped: the
        // depot (limit 50 km/h), one deleted over the same place, one that is
        // no shape.
        Database db;
        db.open(station.folder().file("app.db").c_str(), 5000);
        db.execute(
            "INSERT INTO zone (name, geometry, speed_limit) VALUES ('Depot', "
            "'{\"type\":\"Polygon\",\"coordinates\":[[[-122.0,37.3],[-121.9,37.3],[-121.9,37.5],"
            "[-122.0,37.5],[-122.0,37.3]]]}', 50);"
            "INSERT INTO zone (name, geometry, deleted) VALUES ('Old depot', "
            "'{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[-121.97,"
            "37.39]},\"properties\":{\"radius\":5000}}', 1);"
            "INSERT INTO zone (name, geometry) VALUES ('Broken', '{\"type\":\"Polygon\"');");
    }
    ASSERT_TRUE(station.start()) << station.process().log();
    ASSERT_TRUE(station.deliver(report(0, "0", ",,,"))); // no fix: no position
    ASSERT_TRUE(station.deliver(report(1, "10")));
    // 30 knots is 56 km/h: above the depot's 50 from second 2 to 13.
    for (int second = 2; second <= 13; ++second)
        ASSERT_TRUE(station.deliver(report(second, "30")));
    const std::vector<Row> first{event("1000", "Depot", 1),
                                 event("1002", "Depot 56 km/h > 50 km/h", 13)};
    EXPECT_TRUE(test::waitFor([&] { return events(station) == first; }, StationFixture::deadline))
        << ::testing::PrintToString(events(station));
    EXPECT_EQ(station.appDb().query("SELECT vehicle_id, zone_id FROM zone_presence;"),
              (std::vector<Row>{{vehicle, "1"}}));
    ASSERT_TRUE(stop(station)) << station.process().log();

    // Still inside after the restart: no entry; then out of the depot.
    ASSERT_TRUE(station.start()) << station.process().log();
    ASSERT_TRUE(station.deliver(report(20, "10")));
    ASSERT_TRUE(station.deliver(report(21, "10", "3723.2475,N,12100.0000,W")));
    std::vector<Row> all = first;
    all.push_back(event("1001", "Depot", 21));
    EXPECT_TRUE(test::waitFor([&] { return events(station) == all; }, StationFixture::deadline))
        << ::testing::PrintToString(events(station));
    EXPECT_TRUE(station.appDb().query("SELECT * FROM zone_presence;").empty());
    EXPECT_EQ(station.appDb().number("SELECT count(*) FROM gps_data;"), 16);
    EXPECT_TRUE(station.process().running()) << station.process().log();
}

} // namespace
} // namespace corvane
