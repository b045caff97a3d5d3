#include "tools/RecorderSimulation.h"

#include <gtest/gtest.h>
#include <set>

using namespace corvane;

namespace {

const auto someTime = std::chrono::system_clock::from_time_t(1306849530); // 2011-05-31

} // namespace

TEST(RecorderSimulationTest, FirstTurnReportsPositionBeforeDetails)
{
    RecorderSimulation fleet({.vehicles = 12, .seed = 5, .eventProbability = 1.0});
    std::set<std::string> ids;
    for (size_t v = 0; v < fleet.vehicleCount(); ++v) {
        auto sent = fleet.turn(v, 0.0, someTime);
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0].type, 100);
        EXPECT_EQ(sent[1].type, 101);
        EXPECT_EQ(fleet.header(v).id.size(), 36u);
        ids.insert(fleet.header(v).id);
    }
    EXPECT_EQ(ids.size(), fleet.vehicleCount());
}

TEST(RecorderSimulationTest, LaterTurnsMixEventsOfEveryCode)
{
    RecorderSimulation fleet(
        {.vehicles = 3, .seed = 9, .eventProbability = 0.5, .detailsEvery = 10});
    std::set<int32_t> codes;
    int details = 0;
    for (int turn = 0; turn < 200; ++turn) {
        for (size_t v = 0; v < fleet.vehicleCount(); ++v) {
            auto sent = fleet.turn(v, 1.0, someTime + std::chrono::seconds(turn));
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(sent[0].type, 100);
            for (const auto& d : sent) {
                EXPECT_LE(d.text.size(), 4094u);
                EXPECT_EQ(d.vehicle, v);
                if (d.type == 101)
                    ++details;
                else if (d.type != 100)
                    codes.insert(d.type);
            }
        }
    }
    EXPECT_EQ(codes.size(), 14u);
    EXPECT_EQ(*codes.begin(), 0);
    EXPECT_EQ(*codes.rbegin(), 13);
    EXPECT_EQ(details, 3 * 20); // turns 0, 10, ..., 190
}
