#pragma once

#include "data/TileFile.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane {

// One MBTiles tile file (a TileFile) the operator added, opened read-only and checked at
// open: an SQLite file with a `tiles` table or view (zoom_level, tile_column,
// tile_row, tile_data), a `metadata` table (name, value) and raster tiles
// (png, jpg or webp, from metadata "format" or else sniffed from a tile).
// Bounds and the zoom range come from metadata, or are computed from the
// tiles when metadata lacks them.
//
// Ownership: owns its connection and its prepared tile statement; closes
// both at destruction.
// Threads: any thread; every call takes the object's mutex, so one
// connection serves all callers one at a time.
// Throws: DatabaseException from the constructor, naming what is wrong with
// the file (missing, not an SQLite file, no tiles table, a column missing,
// no metadata table, not a raster format, no tiles at all); tile() throws
// DatabaseException when SQLite fails mid-read.
class MBTilesFile final : public TileFile
{
public:
    explicit MBTilesFile(const std::string& utf8Path);
    ~MBTilesFile();

    MBTilesFile(const MBTilesFile&) = delete;
    MBTilesFile& operator=(const MBTilesFile&) = delete;

    // The file stores TMS rows (counted from the south), so row = 2^z - 1 - y.
    std::vector<std::uint8_t> tile(int z, int x, int y) const override;

    // "png", "jpg" or "webp" from a tile's first bytes, or empty.
    static std::string sniffFormat(const std::uint8_t* bytes, std::size_t size);

private:
    [[noreturn]] void refuse(const std::string& reason) const;
    void check();
    std::string metadata(const char* name) const;

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_tileStatement = nullptr;
    mutable std::mutex m_mutex;
};

} // namespace corvane
