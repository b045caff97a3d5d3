// The tests' own tools: a wait that keeps its deadline, ports that are what
// they claim, identifiers of the station's form.

#include "testsupport/BlockedUdpPort.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/UdpPorts.h"
#include "testsupport/VehicleIds.h"

#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>

namespace corvane {
namespace {

using namespace std::chrono_literals;

TEST(DeadlineWait, PumpsBetweenLooksAndGivesUpAtTheDeadline)
{
    int pumps = 0;
    EXPECT_TRUE(test::waitFor([&] { return pumps == 3; }, 10s, [&] { ++pumps; }));
    EXPECT_EQ(pumps, 3);

    // A condition that never holds: false once the deadline has passed, and
    // the caller slept between looks instead of spinning.
    int looks = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(test::waitFor([&] { return ++looks < 0; }, 50ms));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 50ms);
    EXPECT_LE(looks, 52);

    // A condition that holds at once is looked at once and never pumped.
    pumps = 0;
    EXPECT_TRUE(test::waitFor([] { return true; }, 0ms, [&] { ++pumps; }));
    EXPECT_EQ(pumps, 0);
}

TEST(UdpPorts, BlockedPortIsTakenUntilReleasedAndFreePortsAreFree)
{
    test::BlockedUdpPort blocked;
    EXPECT_GT(blocked.port(), 0);
    EXPECT_FALSE(test::udpPortIsFree(blocked.port()));
    test::BlockedUdpPort other;
    EXPECT_NE(other.port(), blocked.port());

    // Free, outside the range where the kernel picks ports for senders, and
    // a second call before the first port is bound gives another.
    const int free = test::freeUdpPort();
    EXPECT_TRUE(test::udpPortIsFree(free));
    EXPECT_NE(free, blocked.port());
    EXPECT_GE(free, 20000);
    EXPECT_LT(free, test::ephemeralPortsStart());
    EXPECT_NE(test::freeUdpPort(), free);

    // A range of one port that is held has nothing to give.
    EXPECT_THROW(test::freeUdpPortBetween(blocked.port(), blocked.port()), std::runtime_error);
    blocked.release();
    EXPECT_TRUE(test::udpPortIsFree(blocked.port()));
    EXPECT_EQ(test::freeUdpPortBetween(blocked.port(), blocked.port()), blocked.port());

    const int inRange = test::freeUdpPortBetween(20000, 20100);
    EXPECT_GE(inRange, 20000);
    EXPECT_LE(inRange, 20100);
}

TEST(VehicleIds, HaveTheStationsFormWhateverTheNumberOrPrefix)
{
    struct Case
    {
        long long number;
        const char* prefix;
        const char* id;
    };
    const Case cases[] = {
        {0, "0badc0de", "0badc0de-0000-4000-8000-000000000000"},
        {42, "5a5e0000", "5a5e0000-0000-4000-8000-000000000042"},
        {999999999999, "9a9e0000", "9a9e0000-0000-4000-8000-999999999999"},
        // A prefix longer than its 8 places is cut, so the text keeps its length.
        {7, "50a50a50ff", "50a50a50-0000-4000-8000-000000000007"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(test::sampleVehicleId(c.number, c.prefix), c.id);
        EXPECT_EQ(test::sampleVehicleId(c.number, c.prefix).size(), 36u);
    }
    EXPECT_EQ(test::sampleVehicleId(1), "0badc0de-0000-4000-8000-000000000001");
}

} // namespace
} // namespace corvane
