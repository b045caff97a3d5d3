#pragma once

#include "data/PMTilesFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>
#include <zlib.h>

namespace corvane::test {

// How a test file keeps its directory.
struct PMTilesLayout
{
    bool gzip = false;
    bool leaf = false;
};

// PMTiles (version 3) files for the tests: png tiles, the directory plain or
// gzip-compressed, in the root or (leaf) in one leaf directory the root
// points at. Header fields a test wants wrong it patches in the written file.
//
// Static functions; any thread. Throws: only std::bad_alloc; write() returns
// false when the file cannot be written.
class PMTilesWriter
{
public:
    struct Tile
    {
        int z;
        std::uint32_t x;
        std::uint32_t y; // counted from the north
        std::vector<std::uint8_t> bytes;
    };
    static bool write(const std::string& path, std::vector<Tile> tiles, PMTilesLayout layout = {})
    {
        std::sort(tiles.begin(), tiles.end(), [](const Tile& a, const Tile& b) {
            return PMTilesFile::tileId(a.z, a.x, a.y) < PMTilesFile::tileId(b.z, b.x, b.y);
        });
        std::vector<PMTilesFile::Entry> entries;
        std::vector<std::uint8_t> data;
        int minZoom = 30;
        int maxZoom = 0;
        for (const Tile& tile : tiles) {
            entries.push_back({PMTilesFile::tileId(tile.z, tile.x, tile.y), data.size(),
                               static_cast<std::uint32_t>(tile.bytes.size()), 1});
            data.insert(data.end(), tile.bytes.begin(), tile.bytes.end());
            minZoom = std::min(minZoom, tile.z);
            maxZoom = std::max(maxZoom, tile.z);
        }
        std::vector<std::uint8_t> leaves;
        std::vector<std::uint8_t> root = pack(encode(entries), layout.gzip);
        if (layout.leaf) {
            leaves = root;
            const std::uint64_t first = entries.empty() ? 0 : entries.front().tileId;
            root = pack(encode({{first, 0, static_cast<std::uint32_t>(leaves.size()), 0}}),
                        layout.gzip);
        }
        const std::string metadata = "{}";
        std::vector<std::uint8_t> header(127, 0);
        std::memcpy(header.data(), "PMTiles", 7);
        header[7] = 3;
        const std::uint64_t rootOffset = header.size();
        const std::uint64_t metadataOffset = rootOffset + root.size();
        const std::uint64_t leafOffset = metadataOffset + metadata.size();
        const std::uint64_t dataOffset = leafOffset + leaves.size();
        const std::uint64_t fields[] = {
            rootOffset, root.size(), metadataOffset, metadata.size(), leafOffset,  leaves.size(),
            dataOffset, data.size(), tiles.size(),   tiles.size(),    tiles.size()};
        for (std::size_t i = 0; i < std::size(fields); ++i)
            put(header, 8 + 8 * i, fields[i], 8);
        header[96] = 1;                   // clustered
        header[97] = layout.gzip ? 2 : 1; // directory compression
        header[98] = 1;                   // tiles plain
        header[99] = 2;                   // png
        header[100] = static_cast<std::uint8_t>(tiles.empty() ? 0 : minZoom);
        header[101] = static_cast<std::uint8_t>(maxZoom);
        const double bounds[] = {5.9561, 45.818, 10.4921, 47.8084};
        for (std::size_t i = 0; i < 4; ++i)
            put(header, 102 + 4 * i, static_cast<std::uint32_t>(std::int32_t(bounds[i] * 1e7)), 4);
        std::ofstream out(path, std::ios::binary);
        for (const auto* part : {&header, &root})
            out.write(reinterpret_cast<const char*>(part->data()), std::streamsize(part->size()));
        out.write(metadata.data(), std::streamsize(metadata.size()));
        for (const auto* part : {&leaves, &data})
            out.write(reinterpret_cast<const char*>(part->data()), std::streamsize(part->size()));
        return bool(out.flush());
    }

    // Overwrites bytes of a written file at offset.
    static void patch(const std::string& path, std::size_t offset, std::uint64_t value, int bytes)
    {
        std::vector<std::uint8_t> field(8);
        put(field, 0, value, bytes);
        std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(std::streamoff(offset));
        file.write(reinterpret_cast<const char*>(field.data()), bytes);
    }

private:
    static void put(std::vector<std::uint8_t>& to, std::size_t at, std::uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            to[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    static void varint(std::vector<std::uint8_t>& to, std::uint64_t value)
    {
        while (value >= 0x80) {
            to.push_back(static_cast<std::uint8_t>(value | 0x80));
            value >>= 7;
        }
        to.push_back(static_cast<std::uint8_t>(value));
    }

    static std::vector<std::uint8_t> encode(const std::vector<PMTilesFile::Entry>& entries)
    {
        std::vector<std::uint8_t> bytes;
        varint(bytes, entries.size());
        std::uint64_t last = 0;
        for (const auto& entry : entries) {
            varint(bytes, entry.tileId - last);
            last = entry.tileId;
        }
        for (const auto& entry : entries)
            varint(bytes, entry.runLength);
        for (const auto& entry : entries)
            varint(bytes, entry.length);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const bool follows =
                i > 0 && entries[i].offset == entries[i - 1].offset + entries[i - 1].length;
            varint(bytes, follows ? 0 : entries[i].offset + 1);
        }
        return bytes;
    }

    static std::vector<std::uint8_t> pack(const std::vector<std::uint8_t>& bytes, bool gzip)
    {
        if (!gzip)
            return bytes;
        z_stream stream{};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY);
        std::vector<std::uint8_t> packed(deflateBound(&stream, uLong(bytes.size())));
        stream.next_in = const_cast<Bytef*>(bytes.data());
        stream.avail_in = uInt(bytes.size());
        stream.next_out = packed.data();
        stream.avail_out = uInt(packed.size());
        deflate(&stream, Z_FINISH);
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        return packed;
    }
};

} // namespace corvane::test
