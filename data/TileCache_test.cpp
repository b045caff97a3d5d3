#include "data/TileCache.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

std::vector<std::uint8_t> bytesOf(std::size_t size, std::uint8_t fill)
{
    return std::vector<std::uint8_t>(size, fill);
}

TEST(TileCacheTest, DropsLeastRecentlyUsedFirstAtTheCap)
{
    TempFolder folder;
    const std::string path = folder.file("tiles.db");
    const std::string road = "https://road.example/{z}/{x}/{y}.png";
    {
        TileCache cache(path, 300);
        cache.store(road, 1, 0, 0, bytesOf(100, 1));
        cache.store(road, 1, 1, 0, bytesOf(100, 2));
        cache.store(road, 1, 0, 1, bytesOf(100, 3));
        EXPECT_EQ(cache.totalBytes(), 300);
        EXPECT_EQ(cache.find(road, 1, 0, 0), bytesOf(100, 1)); // now the newest
        cache.store(road, 1, 1, 1, bytesOf(100, 4));           // pushes out 1/1/0
        EXPECT_TRUE(cache.find(road, 1, 1, 0).empty());
        EXPECT_EQ(cache.totalBytes(), 300);
        // The same z/x/y of another source is another tile.
        EXPECT_TRUE(cache.find("https://sat.example/{z}/{x}/{y}", 1, 0, 0).empty());
    }
    // Reopened, the totals and the use order are as they were: 1/0/1 is oldest.
    TileCache cache(path, 300);
    EXPECT_EQ(cache.totalBytes(), 300);
    cache.store(road, 2, 0, 0, bytesOf(150, 5));
    EXPECT_TRUE(cache.find(road, 1, 0, 1).empty());
    EXPECT_TRUE(cache.find(road, 1, 0, 0).empty()); // second oldest went too: 450 - 100 still > 300
    EXPECT_EQ(cache.find(road, 1, 1, 1), bytesOf(100, 4));
    EXPECT_EQ(cache.find(road, 2, 0, 0), bytesOf(150, 5));
    EXPECT_EQ(cache.totalBytes(), 250);
    EXPECT_EQ(cache.tileCount(), 2);
}

TEST(TileCacheTest, KeepsTheTotalTrueThroughReplaceCapAndClear)
{
    TempFolder folder;
    const std::string path = folder.file("tiles.db");
    TileCache cache(path, 1000);
    cache.store("s", 3, 1, 1, bytesOf(400, 1));
    cache.store("s", 3, 1, 1, bytesOf(100, 2)); // replaced, not added
    EXPECT_EQ(cache.totalBytes(), 100);
    cache.store("s", 3, 2, 2, bytesOf(1001, 3)); // larger than the cap: not stored, nothing dropped
    EXPECT_EQ(cache.totalBytes(), 100);
    EXPECT_TRUE(cache.find("s", 3, 2, 2).empty());
    cache.store("s", 3, 2, 2, bytesOf(300, 4));
    cache.store("s", 3, 3, 3, bytesOf(300, 5));
    cache.setCapBytes(600); // drops the oldest, 3/1/1, only
    EXPECT_EQ(cache.totalBytes(), 600);
    EXPECT_TRUE(cache.find("s", 3, 1, 1).empty());
    EXPECT_EQ(cache.find("s", 3, 2, 2), bytesOf(300, 4));
    cache.clear();
    EXPECT_EQ(cache.totalBytes(), 0);
    EXPECT_EQ(cache.tileCount(), 0);
    TileCache reopened(path, 600);
    EXPECT_EQ(reopened.totalBytes(), 0);
}

} // namespace
} // namespace corvane
