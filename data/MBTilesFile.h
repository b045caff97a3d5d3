#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane {

// One MBTiles tile file the operator added, opened read-only and checked at
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
class MBTilesFile
{
public:
    explicit MBTilesFile(const std::string& utf8Path);
    ~MBTilesFile();

    MBTilesFile(const MBTilesFile&) = delete;
    MBTilesFile& operator=(const MBTilesFile&) = delete;

    // The tile in XYZ order (y counted from the north, as the page asks), or
    // an empty vector when the file has none there. The file stores TMS rows
    // (counted from the south), so row = 2^z - 1 - y. Out-of-range z/x/y
    // answers empty.
    std::vector<std::uint8_t> tile(int z, int x, int y) const;

    // "png", "jpg" or "webp" from a tile's first bytes, or empty.
    static std::string sniffFormat(const std::uint8_t* bytes, std::size_t size);

    const std::string& path() const noexcept { return m_path; }
    const std::string& format() const noexcept { return m_format; }
    int minZoom() const noexcept { return m_minZoom; }
    int maxZoom() const noexcept { return m_maxZoom; }
    std::int64_t tileCount() const noexcept { return m_tileCount; }
    // West, south, east, north in degrees.
    double west() const noexcept { return m_bounds[0]; }
    double south() const noexcept { return m_bounds[1]; }
    double east() const noexcept { return m_bounds[2]; }
    double north() const noexcept { return m_bounds[3]; }

private:
    [[noreturn]] void refuse(const std::string& reason) const;
    void check();
    std::string metadata(const char* name) const;

    std::string m_path;
    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_tileStatement = nullptr;
    mutable std::mutex m_mutex;
    std::string m_format;
    int m_minZoom = 0;
    int m_maxZoom = 0;
    std::int64_t m_tileCount = 0;
    double m_bounds[4] = {-180.0, -85.0511, 180.0, 85.0511};
};

} // namespace corvane
