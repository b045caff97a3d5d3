// The time to answer one tile from an MBTiles file and from the tile cache:
// median and 99th percentile over random reads of a filled store.
//
//   data_tiles_bench [tiles] [reads]     (default 20000 5000)
//
// Each tile is 20 KiB of bytes (a typical road tile); the file holds zoom 12
// tiles in TMS rows, the cache the same tiles under one source.

#include "bench/BenchFigures.h"
#include "data/MBTilesFile.h"
#include "data/TileCache.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using bench::Clock;
using bench::msSince;

void makeFile(const std::string& path, int tiles, const std::vector<std::uint8_t>& bytes)
{
    sqlite3* handle = nullptr;
    sqlite3_open(path.c_str(), &handle);
    sqlite3_exec(
        handle,
        "CREATE TABLE metadata (name TEXT, value TEXT); INSERT INTO metadata VALUES "
        "('format','png');"
        "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data "
        "BLOB);"
        "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row); BEGIN;",
        nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO tiles VALUES (12, ?1, ?2, ?3)", -1, &insert, nullptr);
    for (int i = 0; i < tiles; ++i) {
        sqlite3_bind_int(insert, 1, i % 4096);
        sqlite3_bind_int(insert, 2, 4095 - i / 4096);
        sqlite3_bind_blob(insert, 3, bytes.data(), int(bytes.size()), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(handle);
}

template <typename Read>
void report(const char* what, int tiles, int reads, Read read)
{
    std::mt19937 random(7);
    std::vector<double> times;
    times.reserve(reads);
    for (int i = 0; i < reads; ++i) {
        const int tile = int(random() % tiles);
        const auto start = Clock::now();
        if (read(tile % 4096, tile / 4096).empty())
            std::fprintf(stderr, "%s: tile %d missing\n", what, tile);
        times.push_back(msSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-6s tiles=%d reads=%d median=%.4f ms p99=%.4f ms\n", what, tiles, reads,
                times[times.size() / 2], times[times.size() * 99 / 100]);
}

} // namespace

int main(int argc, char** argv)
{
    const int tiles = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int reads = argc > 2 ? std::atoi(argv[2]) : 5000;
    const std::vector<std::uint8_t> bytes(20 * 1024, 0x5A);
    TempFolder folder;

    const std::string filePath = folder.file("bench.mbtiles");
    makeFile(filePath, tiles, bytes);
    MBTilesFile file(filePath);
    report("file", tiles, reads, [&](int x, int y) { return file.tile(12, x, y); });

    const std::string source = "https://road.example/{z}/{x}/{y}.png";
    TileCache cache(folder.file("tiles.db"), std::int64_t(tiles) * 32 * 1024);
    for (int i = 0; i < tiles; ++i)
        cache.store(source, 12, i % 4096, i / 4096, bytes);
    report("cache", tiles, reads, [&](int x, int y) { return cache.find(source, 12, x, y); });
    return 0;
}
