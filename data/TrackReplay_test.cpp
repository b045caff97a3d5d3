#include "data/TrackReplay.h"
#include "data/TrackThinner.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace corvane {
namespace {

std::shared_ptr<const std::vector<TrackPoint>> track(std::vector<TrackPoint> points)
{
    return std::make_shared<const std::vector<TrackPoint>>(std::move(points));
}

TEST(TrackReplay, PositionsAtChosenTimes)
{
    // East at 1000 s, a stop with two samples in one second, then north
    // without a course, then across the date line.
    const auto points = track({
        {1000, 10.0, 20.0, 5, 90},
        {1010, 10.0, 21.0, 5, 90},
        {1020, 10.0, 21.0, 0, -1},
        {1020, 10.0, 21.0, 0, -1},
        {1030, 11.0, 21.0, 5, -1},
        {1040, 11.0, 179.0, 5, 90},
        {1050, 11.0, -179.0, 5, 90},
    });
    TrackReplay replay(points);
    struct Case
    {
        double time;
        double latitude, longitude, course;
        std::size_t index;
    };
    const Case cases[] = {
        {0, 10.0, 20.0, 90, 0},    // before the track: its start
        {1000, 10.0, 20.0, 90, 0}, // on a sample
        {1005, 10.0, 20.5, 90, 0}, // half way
        {1015, 10.0, 21.0, 90, 1}, // standing still
        {1020, 10.0, 21.0, 0, 3},  // the later of two samples of one second; heads north
        {1025, 10.5, 21.0, 0, 3},
        {1045, 11.0, 180.0, 90, 5}, // the short way round, not across the globe
        {1047.5, 11.0, -179.5, 90, 5},
        {9999, 11.0, -179.0, 90, 6}, // after the track: its end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const TrackReplay::Position p = replay.at(c.time);
        EXPECT_NEAR(p.latitude, c.latitude, 1e-9);
        EXPECT_NEAR(std::abs(p.longitude), std::abs(c.longitude), 1e-9);
        if (std::abs(c.longitude) != 180.0) {
            EXPECT_NEAR(p.longitude, c.longitude, 1e-9);
        }
        EXPECT_NEAR(p.course, c.course, 1e-6);
        EXPECT_EQ(p.index, c.index);
    }
}

TEST(TrackReplay, ClockMovesAtThePaceAndStopsAtTheEnd)
{
    TrackReplay replay(track({{0, 0, 0, 0, -1}, {3600, 1, 0, 0, -1}}));
    EXPECT_EQ(replay.now(), 0.0);
    EXPECT_TRUE(replay.advance(10));
    EXPECT_EQ(replay.now(), 10.0);
    replay.setPace(64);
    EXPECT_TRUE(replay.advance(0.5));
    EXPECT_EQ(replay.now(), 42.0);
    replay.setPace(0); // below x1 reads as x1
    EXPECT_EQ(replay.pace(), 1);
    replay.seek(3000);
    replay.setPace(64);
    EXPECT_FALSE(replay.advance(60));
    EXPECT_EQ(replay.now(), 3600.0);
    replay.seek(-5);
    EXPECT_EQ(replay.now(), 0.0);
    // Without a course anywhere the marker heads towards the next place.
    EXPECT_NEAR(replay.at(10).course, 0.0, 1e-9);

    TrackReplay none(track({}));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.at(5).index, 0u);
    EXPECT_FALSE(none.advance(1));
}

TEST(TrackThinner, KeepsEndsOrderAndOnlyVisibleDetail)
{
    EXPECT_TRUE(TrackThinner::thin({}, 1000, 100).empty());
    EXPECT_EQ(TrackThinner::thin({{0, 1, 1, 0, 0}}, 1000, 100), std::vector<std::size_t>{0});

    // A straight line of 100,001 samples across one degree, drawn on 1000 pixels.
    std::vector<TrackPoint> line;
    for (int i = 0; i <= 100000; ++i)
        line.push_back({i, 0.0, i / 100000.0, 0, 0});
    const auto kept = TrackThinner::thin(line, 1000, 100000);
    EXPECT_EQ(kept.front(), 0u);
    EXPECT_EQ(kept.back(), 100000u);
    EXPECT_GE(kept.size(), 900u);
    EXPECT_LE(kept.size(), 1001u);
    for (std::size_t i = 1; i < kept.size(); ++i)
        ASSERT_LT(kept[i - 1], kept[i]);

    // A vehicle that stood still all day is its two ends.
    std::vector<TrackPoint> parked(5000, TrackPoint{0, 5, 5, 0, 0});
    EXPECT_EQ(TrackThinner::thin(parked, 1000, 100), (std::vector<std::size_t>{0, 4999}));

    // Back and forth across the screen all day: held to the limit.
    std::vector<TrackPoint> zigzag;
    for (int i = 0; i < 100000; ++i)
        zigzag.push_back({i, (i % 2) * 1.0, (i % 100) / 100.0, 0, 0});
    const auto capped = TrackThinner::thin(zigzag, 1000, 5000);
    EXPECT_LE(capped.size(), 5000u);
    EXPECT_EQ(capped.back(), 99999u);
}

} // namespace
} // namespace corvane
