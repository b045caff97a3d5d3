#include "rules/ZoneIndex.h"
#include "rules/ZoneShape.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace corvane {
namespace {

std::vector<ZoneShape> randomZones(std::mt19937& random)
{
    std::uniform_real_distribution<double> latitude(-80, 80);
    std::uniform_real_distribution<double> longitude(-180, 180);
    std::uniform_real_distribution<double> size(0.001, 2.0);
    std::vector<ZoneShape> zones;
    for (int i = 0; i < 300; ++i) {
        const double lat = latitude(random);
        const double lon = longitude(random);
        const double s = size(random);
        if (i % 3 == 0) {
            zones.push_back(ZoneShape::circle(lat, lon, s * 50000));
        } else {
            // Some reach past 180: the index must find them on both sides.
            zones.push_back(ZoneShape::polygon(
                {{{lon, lat}, {lon + s, lat}, {lon + s, lat + s}, {lon, lat + s}, {lon, lat}}}));
        }
    }
    // Wide ones, kept off the grid.
    zones.push_back(ZoneShape::polygon({{{-60, -50}, {60, -50}, {60, 50}, {-60, 50}, {-60, -50}}}));
    zones.push_back(ZoneShape::circle(89.5, 0, 200000));
    return zones;
}

TEST(ZoneIndexTest, FindsEveryZoneThatHoldsAPositionOnce)
{
    std::mt19937 random(31);
    const std::vector<ZoneShape> zones = randomZones(random);
    std::vector<std::vector<GeoBox>> bounds;
    for (const ZoneShape& zone : zones)
        bounds.push_back(zone.bounds());
    ZoneIndex index;
    index.build(bounds);

    std::uniform_int_distribution<std::size_t> pick(0, zones.size() - 1);
    std::uniform_real_distribution<double> jitter(-1.5, 1.5);
    std::vector<std::uint32_t> found;
    int insideCount = 0;
    for (int i = 0; i < 20000; ++i) {
        // Near a zone's corner or centre, so that many probes fall inside.
        const GeoBox& box = bounds[pick(random)].front();
        const double lat = std::clamp(box.south + jitter(random), -90.0, 90.0);
        const double lon = box.west + jitter(random);
        found.clear();
        index.candidates(lat, lon, found);
        std::vector<std::uint32_t> sorted = found;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "twice";
        for (std::uint32_t z = 0; z < zones.size(); ++z) {
            if (!zones[z].contains(lat, lon))
                continue;
            ++insideCount;
            ASSERT_TRUE(std::binary_search(sorted.begin(), sorted.end(), z))
                << "zone " << z << " holds " << lat << "," << lon << " but was not found";
        }
    }
    EXPECT_GT(insideCount, 2000); // the probes did reach inside
}

TEST(ZoneIndexTest, FindsAZoneOnTheAntimeridianFromBothSides)
{
    const ZoneShape zone =
        ZoneShape::polygon({{{170, -1}, {180, -1}, {180, 1}, {170, 1}, {170, -1}}});
    ZoneIndex index;
    index.build({zone.bounds()});
    for (const double lon : {180.0, -180.0, 540.0}) {
        std::vector<std::uint32_t> found;
        index.candidates(0, lon, found);
        EXPECT_EQ(found, std::vector<std::uint32_t>{0}) << lon;
        EXPECT_TRUE(zone.contains(0, lon)) << lon;
    }
}

} // namespace
} // namespace corvane
