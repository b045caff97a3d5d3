#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// One raster tile file the operator added, of either kind: MBTiles (an
// SQLite file, MBTilesFile) or PMTiles (one file of directories and tiles,
// PMTilesFile). Opened read-only and checked at open; what it holds (tile
// format, zoom range, tile count, bounds) is read once then.
//
// Ownership: a kind owns its file handle and closes it at destruction.
// Threads: any thread; a kind serialises its reads itself.
// Throws: DatabaseException from open() and the kinds' constructors, its
// message naming the file and what is wrong with it; tile() throws
// DatabaseException when the file fails mid-read.
class TileFile
{
public:
    virtual ~TileFile() = default;

    TileFile(const TileFile&) = delete;
    TileFile& operator=(const TileFile&) = delete;

    // A PMTiles file when path begins with that format's signature, else an
    // MBTiles file (whose refusal then names what is wrong).
    static std::unique_ptr<TileFile> open(const std::string& utf8Path);

    // The tile in XYZ order (y counted from the north, as the page asks), or
    // an empty vector when the file has none there. Out-of-range z/x/y
    // answers empty.
    virtual std::vector<std::uint8_t> tile(int z, int x, int y) const = 0;

    const std::string& path() const noexcept { return m_path; }
    // "png", "jpg" or "webp".
    const std::string& format() const noexcept { return m_format; }
    int minZoom() const noexcept { return m_minZoom; }
    int maxZoom() const noexcept { return m_maxZoom; }
    std::int64_t tileCount() const noexcept { return m_tileCount; }
    // West, south, east, north in degrees.
    double west() const noexcept { return m_bounds[0]; }
    double south() const noexcept { return m_bounds[1]; }
    double east() const noexcept { return m_bounds[2]; }
    double north() const noexcept { return m_bounds[3]; }

protected:
    explicit TileFile(std::string utf8Path) : m_path(std::move(utf8Path)) {}

    // Raises the refusal "<path> is not a readable <kind> file: <reason>".
    [[noreturn]] void refuse(const char* kind, const std::string& reason) const;
    // Whether z/x/y names a tile: z in 0..30, x and y in 0..2^z - 1.
    static bool isTile(int z, int x, int y) noexcept;
    // Takes bounds when they describe an area; the whole world stays otherwise.
    void setBounds(double west, double south, double east, double north) noexcept;

    std::string m_path;
    std::string m_format;
    int m_minZoom = 0;
    int m_maxZoom = 0;
    std::int64_t m_tileCount = 0;
    double m_bounds[4] = {-180.0, -85.0511, 180.0, 85.0511};
};

} // namespace corvane
