// Whatever anyone on the network sends, the station program keeps running
// and stores exactly what the message rules say, nothing more.

#include "proof/HostileCase.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(HostileInput, StationStoresExactlyTheRuledRowsAndKeepsRunning)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();

    std::vector<HostileCase> cases = hostileCases();
    cases.push_back(closingReport());
    std::size_t vehicles = 0, samples = 0, events = 0;
    for (const HostileCase& c : cases) {
        for (const std::string& datagram : c.datagrams)
            ASSERT_TRUE(station.deliver(datagram)) << c.label;
        ASSERT_TRUE(station.process().running()) << c.label << "\n" << station.process().log();
        vehicles += c.vehicles.size();
        samples += c.gpsSamples.size();
        events += c.events.size();
    }

    // The writer keeps arrival order: once the last report is stored, so is
    // everything sent before it.
    const std::string closingId = cases.back().id;
    ASSERT_TRUE(test::waitFor(
        [&] {
            return station.appDb().number("SELECT count(*) FROM gps_data WHERE vehicle_id = '" +
                                          closingId + "';") == 1;
        },
        StationFixture::deadline));

    TableRows& db = station.appDb();
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(db.query(HostileCase::vehicleQuery(c.id)), c.vehicles);
        EXPECT_EQ(db.query(HostileCase::gpsQuery(c.id)), c.gpsSamples);
        EXPECT_EQ(db.query(HostileCase::eventQuery(c.id)), c.events);
    }
    // Nothing stored under an identifier no case names.
    EXPECT_EQ(db.number("SELECT count(*) FROM vehicle_info;"), static_cast<long long>(vehicles));
    EXPECT_EQ(db.number("SELECT count(*) FROM gps_data;"), static_cast<long long>(samples));
    EXPECT_EQ(db.number("SELECT count(*) FROM event_info;"), static_cast<long long>(events));
    EXPECT_EQ(db.query("PRAGMA integrity_check;"), std::vector<Row>{{"ok"}});
    EXPECT_TRUE(station.process().running()) << station.process().log();
}

} // namespace
} // namespace corvane
