#include "data/DatabaseException.h"
#include "data/PMTilesFile.h"
#include "testsupport/PMTilesWriter.h"
#include "testsupport/TempFolder.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::PMTilesLayout;
using test::PMTilesWriter;

// A tile's bytes: the PNG signature, then where it was stored, so that a
// read from the wrong place shows in the comparison.
std::vector<std::uint8_t> pngTile(int z, int x, int y)
{
    const std::string text = std::string("\x89PNG\r\n\x1a\n") + std::to_string(z) + "/" +
                             std::to_string(x) + "/" + std::to_string(y);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string textOf(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() > 8 ? std::string(bytes.begin() + 8, bytes.end()) : std::string();
}

TEST(PMTilesFileTest, TileIdsCountLowerLevelsThenFollowTheHilbertCurve)
{
    const struct
    {
        int z;
        std::uint32_t x, y;
        std::uint64_t id;
    } cases[] = {
        {0, 0, 0, 0},  {1, 0, 0, 1},  {1, 0, 1, 2},
        {1, 1, 1, 3},  {1, 1, 0, 4},  {2, 0, 0, 5},
        {2, 3, 0, 20}, {3, 0, 0, 21}, {12, 0, 0, (std::uint64_t(1) << 24) / 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PMTilesFile::tileId(c.z, c.x, c.y), c.id) << c.z << "/" << c.x << "/" << c.y;
}

TEST(PMTilesFileTest, AnswersTilesFromTheRootOrALeafPlainOrCompressed)
{
    TempFolder folder;
    std::vector<PMTilesWriter::Tile> tiles;
    for (const auto& [z, x, y] : std::vector<std::array<std::uint32_t, 3>>{
             {0, 0, 0}, {1, 1, 0}, {3, 7, 7}, {3, 2, 5}, {14, 8000, 16383}})
        tiles.push_back({int(z), x, y, pngTile(int(z), int(x), int(y))});
    for (const PMTilesLayout layout : {PMTilesLayout{false, false}, PMTilesLayout{true, false},
                                       PMTilesLayout{false, true}, PMTilesLayout{true, true}}) {
        SCOPED_TRACE(std::string(layout.gzip ? "gzip" : "plain") + (layout.leaf ? " leaf" : ""));
        const std::string path = folder.file("tiles.pmtiles");
        ASSERT_TRUE(PMTilesWriter::write(path, tiles, layout));
        const PMTilesFile file(path);
        const struct
        {
            int z, x, y;
            const char* stored; // "" for no tile
        } cases[] = {
            {0, 0, 0, "0/0/0"},
            {1, 1, 0, "1/1/0"},
            {1, 0, 1, ""},
            {3, 7, 7, "3/7/7"},
            {3, 2, 5, "3/2/5"},
            {3, 5, 2, ""},
            {14, 8000, 16383, "14/8000/16383"},
            {14, 8001, 16383, ""},
            {2, 4, 0, ""},
            {-1, 0, 0, ""},
            {31, 0, 0, ""},
        };
        for (const auto& c : cases)
            EXPECT_EQ(textOf(file.tile(c.z, c.x, c.y)), c.stored)
                << c.z << "/" << c.x << "/" << c.y;
        EXPECT_EQ(file.format(), "png");
        EXPECT_EQ(file.minZoom(), 0);
        EXPECT_EQ(file.maxZoom(), 14);
        EXPECT_EQ(file.tileCount(), 5);
        EXPECT_NEAR(file.west(), 5.9561, 1e-6);
        EXPECT_NEAR(file.north(), 47.8084, 1e-6);
        // Without the header's count the directories are counted.
        PMTilesWriter::patch(path, 72, 0, 8);
        EXPECT_EQ(PMTilesFile(path).tileCount(), 5);
    }
}

TEST(PMTilesFileTest, RefusesWhatIsNoReadableRasterFileNamingWhy)
{
    TempFolder folder;
    const std::string path = folder.file("map.pmtiles");
    auto good = [&](PMTilesLayout layout = {}) {
        ASSERT_TRUE(PMTilesWriter::write(path, {{2, 1, 1, pngTile(2, 1, 1)}}, layout));
    };
    const struct
    {
        const char* reason;
        std::function<void()> make;
    } cases[] = {
        {"cannot be opened (missing or unreadable)", [&] { std::remove(path.c_str()); }},
        {"not a PMTiles file", [&] { std::ofstream(path) << "PMTile"; }},
        {"version 2, not 3",
         [&] {
             good();
             PMTilesWriter::patch(path, 7, 2, 1);
         }},
        {"tile type is not raster png/jpg/webp (1)",
         [&] {
             good();
             PMTilesWriter::patch(path, 99, 1, 1);
         }},
        {"tiles are compressed (2)",
         [&] {
             good();
             PMTilesWriter::patch(path, 98, 2, 1);
         }},
        {"directories compressed otherwise than gzip (3)",
         [&] {
             good();
             PMTilesWriter::patch(path, 97, 3, 1);
         }},
        {"sections lie outside the file",
         [&] {
             good();
             PMTilesWriter::patch(path, 16, 1 << 30, 8);
         }},
        {"zoom levels out of 0..30",
         [&] {
             good();
             PMTilesWriter::patch(path, 101, 31, 1);
         }},
        // Claimed gzip, stored plain.
        {"a directory cannot be read",
         [&] {
             good();
             PMTilesWriter::patch(path, 97, 2, 1);
         }},
        {"a directory points outside its section",
         [&] {
             good({false, true});
             PMTilesWriter::patch(path, 48, 1, 8);
         }},
        {"a directory points outside its section",
         [&] {
             good();
             PMTilesWriter::patch(path, 64, 3, 8);
         }},
        {"no tiles", [&] { ASSERT_TRUE(PMTilesWriter::write(path, {})); }},
    };
    for (const auto& c : cases) {
        c.make();
        try {
            PMTilesFile file(path);
            ADD_FAILURE() << c.reason << ": opened";
        } catch (const DatabaseException& e) {
            EXPECT_EQ(std::string(e.getMessage()),
                      path + " is not a readable PMTiles file: " + c.reason);
        }
    }
}

TEST(PMTilesFileTest, TileFileOpensEitherKindBySignature)
{
    TempFolder folder;
    const std::string path = folder.file("named-as-mbtiles.mbtiles");
    ASSERT_TRUE(PMTilesWriter::write(path, {{0, 0, 0, pngTile(0, 0, 0)}}));
    EXPECT_EQ(textOf(TileFile::open(path)->tile(0, 0, 0)), "0/0/0");
    const std::string text = folder.file("notes.pmtiles");
    std::ofstream(text) << "tiles: none";
    try {
        TileFile::open(text);
        ADD_FAILURE() << "opened";
    } catch (const DatabaseException& e) {
        EXPECT_EQ(std::string(e.getMessage()),
                  text + " is not a readable MBTiles file: not an SQLite file");
    }
}

} // namespace
} // namespace corvane
