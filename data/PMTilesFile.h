#pragma once

#include "base/File.h"
#include "data/TileFile.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

// One PMTiles file (version 3) of raster tiles, a TileFile: a 127-byte
// header, a root directory, leaf directories and the tiles, all addressed by
// a tile id (the tiles of every lower level first, then the Hilbert index of
// x/y within the level). Directories are stored plain or gzip-compressed;
// the tiles themselves are plain png, jpg or webp. Checked at open: the
// signature and version, raster tiles, a directory compression this file
// reads, sections inside the file, and a root directory that reads and
// addresses at least one tile. Zoom range and bounds come from the header;
// the tile count too, or else from the directories.
//
// Ownership: owns its file descriptor, the root directory and the last few
// leaf directories it read.
// Threads: any thread; every tile() takes the object's mutex.
// Throws: as TileFile; the refusals name the file and the reason (missing,
// not a PMTiles file, another version, vector or other tiles, compressed
// tiles, directories compressed otherwise than gzip, sections outside the
// file, a directory that does not read or points outside its section, no
// tiles).
class PMTilesFile final : public TileFile
{
public:
    static constexpr char signature[] = "PMTiles";

    explicit PMTilesFile(const std::string& utf8Path);

    std::vector<std::uint8_t> tile(int z, int x, int y) const override;

    // The id of tile z/x/y (y from the north); z up to 30.
    static std::uint64_t tileId(int z, std::uint32_t x, std::uint32_t y) noexcept;

    struct Entry
    {
        std::uint64_t tileId;
        std::uint64_t offset;
        std::uint32_t length;
        // Tiles from tileId on that share these bytes; 0 for a leaf directory.
        std::uint32_t runLength;
    };

private:
    // Reads length bytes at offset; empty when the file ends before.
    std::vector<std::uint8_t> readAt(std::uint64_t offset, std::uint64_t length) const;
    // The entries of the directory at offset (from the file's start), or
    // throws (refused at open, DatabaseException later).
    std::vector<Entry> directory(std::uint64_t offset, std::uint64_t length) const;
    std::int64_t countTiles(const std::vector<Entry>& entries, int depth) const;
    // Whether the entry's bytes lie inside its section (tiles or leaves).
    bool within(const Entry& entry) const noexcept;

    mutable File m_file;
    mutable std::mutex m_mutex;
    std::uint64_t m_size = 0;
    int m_directoryCompression = 0;
    std::uint64_t m_leafOffset = 0;
    std::uint64_t m_leafLength = 0;
    std::uint64_t m_tileOffset = 0;
    std::uint64_t m_tileLength = 0;
    std::vector<Entry> m_root;
    // Leaf directories by offset, a few kept: neighbouring tiles share one.
    mutable std::map<std::uint64_t, std::vector<Entry>> m_leaves;
};

} // namespace corvane
