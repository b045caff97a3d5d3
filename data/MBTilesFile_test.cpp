#include "data/DatabaseException.h"
#include "data/MBTilesFile.h"
#include "testsupport/TempFolder.h"

#include <array>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

// A tile's bytes: the PNG signature, then a label saying where it was
// stored, so that a read from the wrong row shows in the comparison.
std::vector<std::uint8_t> pngTile(const std::string& label)
{
    const std::string text = std::string("\x89PNG\r\n\x1a\n") + label;
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void exec(sqlite3* handle, const std::string& sql)
{
    ASSERT_EQ(sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(handle);
}

// Writes an MBTiles file; `schema` replaces the usual tables when given.
// Each tile is stored at its TMS row, labelled "z/column/row".
void makeFile(const std::string& path, const std::vector<std::array<int, 3>>& tmsTiles,
              const std::string& metadata = "('format','png')", const std::string& schema = {})
{
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &handle), SQLITE_OK);
    exec(handle, schema.empty() ? "CREATE TABLE metadata (name TEXT, value TEXT);"
                                  "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                                  "tile_row INTEGER, tile_data BLOB);"
                                : schema);
    if (!metadata.empty())
        exec(handle, "INSERT INTO metadata VALUES " + metadata);
    for (const auto& tile : tmsTiles) {
        sqlite3_stmt* insert = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(handle, "INSERT INTO tiles VALUES (?1, ?2, ?3, ?4)", -1,
                                     &insert, nullptr),
                  SQLITE_OK);
        const auto bytes = pngTile(std::to_string(tile[0]) + "/" + std::to_string(tile[1]) + "/" +
                                   std::to_string(tile[2]));
        sqlite3_bind_int(insert, 1, tile[0]);
        sqlite3_bind_int(insert, 2, tile[1]);
        sqlite3_bind_int(insert, 3, tile[2]);
        sqlite3_bind_blob(insert, 4, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);
    }
    sqlite3_close(handle);
}

TEST(MBTilesFileTest, AnswersXyzFromTmsRowsAtEveryZoomBoundary)
{
    TempFolder folder;
    const std::string path = folder.file("world.mbtiles");
    makeFile(path, {{0, 0, 0}, {1, 0, 1}, {1, 1, 0}, {3, 7, 0}, {3, 0, 7}, {14, 8000, 16383}});
    MBTilesFile file(path);

    struct Case
    {
        int z, x, y;
        const char* stored; // "" for no tile
    } cases[] = {
        {0, 0, 0, "0/0/0"},
        {1, 0, 0, "1/0/1"},
        {1, 1, 1, "1/1/0"},
        {1, 0, 1, ""},
        {3, 7, 7, "3/7/0"},
        {3, 0, 0, "3/0/7"},
        {14, 8000, 0, "14/8000/16383"},
        {3, 8, 0, ""},
        {3, 0, 8, ""},
        {3, -1, 0, ""},
        {0, 0, -1, ""},
        {-1, 0, 0, ""},
        {31, 0, 0, ""},
    };
    for (const Case& c : cases) {
        const auto expected = *c.stored ? pngTile(c.stored) : std::vector<std::uint8_t>();
        EXPECT_EQ(file.tile(c.z, c.x, c.y), expected) << c.z << "/" << c.x << "/" << c.y;
    }
}

TEST(MBTilesFileTest, ReadsMetadataOrComputesWhatIsMissing)
{
    TempFolder folder;
    const std::string described = folder.file("described.mbtiles");
    makeFile(described, {{5, 1, 1}, {6, 2, 2}},
             "('format','jpg'),('bounds','10.5,45.25,11,46'),('minzoom','5'),('maxzoom','6')");
    MBTilesFile file(described);
    EXPECT_EQ(file.format(), "jpg");
    EXPECT_DOUBLE_EQ(file.west(), 10.5);
    EXPECT_DOUBLE_EQ(file.south(), 45.25);
    EXPECT_DOUBLE_EQ(file.east(), 11.0);
    EXPECT_DOUBLE_EQ(file.north(), 46.0);
    EXPECT_EQ(file.tileCount(), 2);

    // No format and a malformed bounds: the format is sniffed from a tile,
    // the bounds are the world, the zoom range is the tiles'.
    const std::string bare = folder.file("bare.mbtiles");
    makeFile(bare, {{2, 0, 0}, {9, 3, 3}, {4, 1, 1}}, "('bounds','east of here')");
    MBTilesFile sniffed(bare);
    EXPECT_EQ(sniffed.format(), "png");
    EXPECT_EQ(sniffed.minZoom(), 2);
    EXPECT_EQ(sniffed.maxZoom(), 9);
    EXPECT_EQ(sniffed.tileCount(), 3);
    EXPECT_DOUBLE_EQ(sniffed.west(), -180.0);
    EXPECT_DOUBLE_EQ(sniffed.east(), 180.0);
}

TEST(MBTilesFileTest, RefusesWhatIsNotReadableMBTilesNamingTheFault)
{
    TempFolder folder;
    struct Case
    {
        const char* name;
        const char* reason;
        std::function<void(const std::string&)> make;
    } cases[] = {
        {"missing", "cannot be opened", [](const std::string&) {}},
        {"text", "not an SQLite file",
         [](const std::string& path) {
             std::ofstream(path) << "this is a road atlas, not a database, honest\n";
         }},
        {"empty", "no tiles table",
         [](const std::string& path) { makeFile(path, {}, "", "CREATE TABLE other (a);"); }},
        {"nometa", "no metadata table",
         [](const std::string& path) {
             makeFile(path, {}, "",
                      "CREATE TABLE tiles (zoom_level, tile_column, tile_row, tile_data);");
         }},
        {"column", "tiles has no column tile_data",
         [](const std::string& path) {
             makeFile(path, {}, "",
                      "CREATE TABLE metadata (name, value); CREATE TABLE tiles (zoom_level, "
                      "tile_column, tile_row);");
         }},
        {"vector", "not raster png/jpg/webp (pbf)",
         [](const std::string& path) {
             makeFile(path, {{0, 0, 0}}, "('format','pbf')");
         }},
        {"notiles", "no tiles", [](const std::string& path) { makeFile(path, {}); }},
    };
    for (const Case& c : cases) {
        const std::string path = folder.file(c.name);
        c.make(path);
        try {
            MBTilesFile file(path);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const DatabaseException& failure) {
            EXPECT_NE(std::string(failure.getMessage()).find(c.reason), std::string::npos)
                << c.name << ": " << failure.getMessage();
        }
    }
}

TEST(MBTilesFileTest, AcceptsTilesAsAView)
{
    TempFolder folder;
    const std::string path = folder.file("view.mbtiles");
    makeFile(path, {}, "('format','webp')",
             "CREATE TABLE metadata (name, value);"
             "CREATE TABLE map (zoom_level, tile_column, tile_row, tile_id);"
             "CREATE TABLE images (tile_id, tile_data);"
             "CREATE VIEW tiles AS SELECT zoom_level, tile_column, tile_row, tile_data "
             "FROM map JOIN images USING (tile_id);"
             "INSERT INTO map VALUES (2, 1, 2, 'a'); INSERT INTO images VALUES ('a', "
             "x'52494646000000005745425000');");
    MBTilesFile file(path);
    EXPECT_EQ(file.tile(2, 1, 1).size(), 13u);
    EXPECT_TRUE(file.tile(2, 1, 2).empty());
}

} // namespace
} // namespace corvane
