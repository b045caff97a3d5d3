// The station program decides by its own clock: a recorder whose clock runs in
// 2099 or fell back to 1971 neither holds retention back nor loses its rows.

#include "data/Database.h"
#include "data/SetupDatabase.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace corvane {
namespace {

const char* const vehicle = "0badc0de-0000-4000-8000-00000000c10c";

// A position report whose recorder's clock says year-month-day 12:00:00
// (the date and the time packed as the protocol carries them).
std::string reportDated(int year, int month, int day, const std::string& tag)
{
    const long date = year * 65536L + month * 256L + day;
    const long time = 12 * 65536L;
    return "Bus,100,0,x,DVR,0," + std::to_string(date) + "," + std::to_string(time) + ",a,0,b," +
           vehicle + ",$GPRMC,120000,A,3723.2475,N,12158.3416,W,0,0,010101,," + tag + "*00";
}

long long samples(StationFixture& station)
{
    return station.appDb().number("SELECT count(*) FROM gps_data;");
}

bool stop(StationFixture& station)
{
    station.process().signal(SIGTERM);
    const auto status = station.process().waitExit(StationFixture::deadlineMs);
    return status && WIFEXITED(*status);
}

TEST(StationClock, RetentionGoesByWhenTheStationReceivedEachRow)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    // One report from a clock in 2099 first, then 200 from a clock that is right.
    ASSERT_TRUE(station.deliver(reportDated(2099, 12, 31, "future")));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(station.sender().send(reportDated(2026, 12, 4, "old")));
    ASSERT_TRUE(test::waitFor([&] { return samples(station) == 201; }, StationFixture::deadline))
        << samples(station);
    ASSERT_TRUE(stop(station)) << station.process().log();

    // Five days pass (the station's note of when it received them says so),
    // and the operator sets "Keep data" to one day.
    {
        Database db;
        db.open(station.folder().file("app.db").c_str(), 5000);
        db.execute("UPDATE received_hour SET hour = hour - 120;");
        SetupDatabase setup;
        setup.open(station.folder().file("setup.db").c_str(), 5000);
        setup.setInt("data/KeepDays", 1);
        setup.close();
    }
    ASSERT_TRUE(station.start()) << station.process().log();
    // Received now from a clock that fell back to 1971: it stays.
    ASSERT_TRUE(station.deliver(reportDated(1971, 1, 1, "past")));
    // The sweep deletes in pieces, so one old row may be left for a moment
    // while the new one is not yet written: wait for the rows themselves.
    const std::vector<Row> kept{{"1971-01-01 12:00:00"}};
    EXPECT_TRUE(test::waitFor(
        [&] { return station.appDb().query("SELECT update_time FROM gps_data;") == kept; },
        StationFixture::deadline))
        << samples(station);
    EXPECT_TRUE(station.process().running()) << station.process().log();
}

} // namespace
} // namespace corvane
