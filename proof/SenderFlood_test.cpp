// The station program under a sender that floods it with details messages
// beside a reporting fleet, and started on settings nobody could have typed
// into the setup dialog.

#include "data/SetupDatabase.h"
#include "proof/FleetFlood.h"
#include "proof/LoopbackSender.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace corvane {
namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(SenderFlood, ADetailsFloodLosesNoPositionReportAndKeepsTheTrail)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    // Shorter and lighter than the worst seen, for a shared machine; the
    // benchmark runs the full flood.
    FleetFlood::Plan plan;
    plan.seconds = 3;
    plan.vehicles = 20;
    plan.reportsPerSecond = 10;
    plan.detailsPerSecond = 1000;
    const FleetFlood::Figures f = FleetFlood::run(station, plan);
    EXPECT_EQ(f.reportsStored, f.reportsSent)
        << f.detailsSent << " details, " << f.kernelDrops << " dropped by the kernel";
    EXPECT_TRUE(station.process().running());
    // Nothing of the flood's pairs is traced: the log holds a trail, not the flood.
    EXPECT_LT(f.logBytes, 256 * 1024);
    const std::string log = readFile(station.folder().file("corvane.log"));
    EXPECT_NE(log.find("Starting thread: \"Callback Server\""), std::string::npos) << log;
    // The keys the station uses came after the pairs it reads: never taken.
    const std::vector<Row> rows = station.appDb().query(
        "SELECT driver, company FROM vehicle_info WHERE id = '" + FleetFlood::vehicleId(0) + "';");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].at(0), "Flood");
    EXPECT_NE(rows[0].at(1), "Flood");
}

TEST(StoredSettings, AnUnusablePortTakesTheDefaultAndSaysSo)
{
    struct Case
    {
        const char* label;
        const char* sql;
        const char* told;
    };
    const Case cases[] = {
        {"no number", "INSERT INTO setup VALUES ('setup/Port', 'abc');", "\"abc\""},
        {"out of range", "INSERT INTO setup VALUES ('setup/Port', 70000);", "\"70000\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        StationFixture station(0);
        {
            SetupDatabase setup;
            setup.open(station.folder().file("setup.db").c_str(), 5000);
            setup.execute(c.sql);
            setup.close();
        }
        ASSERT_TRUE(station.start()) << station.process().log();
        EXPECT_EQ(station.port(), StationFixture::defaultPort);
        ASSERT_TRUE(station.deliver(FleetFlood::report(FleetFlood::vehicleId(1), 1)));
        EXPECT_TRUE(test::waitFor(
            [&] { return station.appDb().number("SELECT count(*) FROM gps_data;") == 1; },
            StationFixture::deadline));
        const std::string log = readFile(station.folder().file("corvane.log"));
        EXPECT_NE(log.find(std::string("setup.db holds ") + c.told +
                           " for \"setup/Port\", which is not a number from 1500 to 32000: "
                           "10111 is used instead"),
                  std::string::npos)
            << log;
    }
}

} // namespace
} // namespace corvane
