#include "data/PMTilesFile.h"

#include "base/Exception.h"
#include "data/DatabaseException.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sqlite3.h>
#include <zlib.h>

namespace corvane {

namespace {

constexpr std::size_t headerSize = 127;
constexpr int version = 3;
// Directory and tile compression codes of the header.
constexpr int compressionUnknown = 0;
constexpr int compressionNone = 1;
constexpr int compressionGzip = 2;
// A directory larger than this once inflated is no directory of a tile file
// but a file made to exhaust memory.
constexpr std::size_t maxDirectoryBytes = 64 * 1024 * 1024;
// Root, then leaves; the format never nests deeper than this.
constexpr int maxDepth = 4;

std::uint64_t u64(const std::uint8_t* p) noexcept
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

double degrees(const std::uint8_t* p) noexcept
{
    const auto raw =
        static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24));
    return static_cast<std::int32_t>(raw) / 1e7;
}

// Unsigned LEB128 numbers from a directory's bytes.
class Varints
{
public:
    explicit Varints(const std::vector<std::uint8_t>& bytes)
        : m_at(bytes.data()), m_end(m_at + bytes.size())
    {}

    // False once a number ran past the end or past 64 bits.
    bool ok() const noexcept { return m_ok; }
    std::uint64_t next() noexcept
    {
        std::uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (m_at == m_end)
                break;
            const std::uint8_t byte = *m_at++;
            value |= std::uint64_t(byte & 0x7f) << shift;
            if ((byte & 0x80) == 0)
                return value;
        }
        m_ok = false;
        return 0;
    }
    bool atEnd() const noexcept { return m_at == m_end; }

private:
    const std::uint8_t* m_at;
    const std::uint8_t* m_end;
    bool m_ok = true;
};

bool gunzip(const std::vector<std::uint8_t>& in, std::vector<std::uint8_t>& out)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    int result = Z_OK;
    std::uint8_t chunk[16384];
    while (result == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        result = inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
        if (out.size() > maxDirectoryBytes || (result == Z_BUF_ERROR && stream.avail_in == 0))
            break;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

// Entries in tile id order, or nothing for bytes that are no directory.
std::optional<std::vector<PMTilesFile::Entry>> decode(const std::vector<std::uint8_t>& bytes)
{
    Varints numbers(bytes);
    const std::uint64_t count = numbers.next();
    // Every entry takes four bytes at least.
    if (!numbers.ok() || count > bytes.size() / 4)
        return std::nullopt;
    std::vector<PMTilesFile::Entry> entries(count);
    std::uint64_t id = 0;
    for (auto& entry : entries) {
        id += numbers.next();
        entry.tileId = id;
    }
    for (auto& entry : entries)
        entry.runLength = static_cast<std::uint32_t>(numbers.next());
    for (auto& entry : entries)
        entry.length = static_cast<std::uint32_t>(numbers.next());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // 0: right after the previous entry's bytes.
        const std::uint64_t value = numbers.next();
        if (value == 0 && i == 0)
            return std::nullopt;
        entries[i].offset = value == 0 ? entries[i - 1].offset + entries[i - 1].length : value - 1;
    }
    if (!numbers.ok() || !numbers.atEnd())
        return std::nullopt;
    return entries;
}

} // namespace

std::uint64_t PMTilesFile::tileId(int z, std::uint32_t x, std::uint32_t y) noexcept
{
    // The tiles of levels 0 to z - 1: (4^z - 1) / 3.
    const std::uint64_t before = ((std::uint64_t(1) << (2 * z)) - 1) / 3;
    const std::uint64_t n = std::uint64_t(1) << z;
    std::uint64_t px = x;
    std::uint64_t py = y;
    std::uint64_t d = 0;
    for (std::uint64_t s = n / 2; s > 0; s /= 2) {
        const std::uint64_t rx = (px & s) != 0 ? 1 : 0;
        const std::uint64_t ry = (py & s) != 0 ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                px = n - 1 - px;
                py = n - 1 - py;
            }
            std::swap(px, py);
        }
    }
    return before + d;
}

PMTilesFile::PMTilesFile(const std::string& utf8Path) : TileFile(utf8Path)
{
    try {
        m_file.open(utf8Path.c_str(), File::Read);
        m_size = m_file.size();
    } catch (const Exception&) {
        refuse("PMTiles", "cannot be opened (missing or unreadable)");
    }
    const std::vector<std::uint8_t> header = readAt(0, headerSize);
    if (header.size() != headerSize ||
        std::memcmp(header.data(), signature, sizeof signature - 1) != 0)
        refuse("PMTiles", "not a PMTiles file");
    if (header[7] != version)
        refuse("PMTiles", "version " + std::to_string(header[7]) + ", not 3");
    const std::uint64_t rootOffset = u64(&header[8]);
    const std::uint64_t rootLength = u64(&header[16]);
    m_leafOffset = u64(&header[40]);
    m_leafLength = u64(&header[48]);
    m_tileOffset = u64(&header[56]);
    m_tileLength = u64(&header[64]);
    m_directoryCompression = header[97];
    const int tileCompression = header[98];
    switch (header[99]) {
    case 2:
        m_format = "png";
        break;
    case 3:
        m_format = "jpg";
        break;
    case 4:
        m_format = "webp";
        break;
    default:
        refuse("PMTiles",
               "tile type is not raster png/jpg/webp (" + std::to_string(header[99]) + ")");
    }
    if (tileCompression != compressionNone && tileCompression != compressionUnknown)
        refuse("PMTiles", "tiles are compressed (" + std::to_string(tileCompression) + ")");
    if (m_directoryCompression != compressionNone && m_directoryCompression != compressionGzip)
        refuse("PMTiles", "directories compressed otherwise than gzip (" +
                              std::to_string(m_directoryCompression) + ")");
    const auto inside = [this](std::uint64_t offset, std::uint64_t length) {
        return offset <= m_size && length <= m_size - offset;
    };
    if (!inside(rootOffset, rootLength) || !inside(m_leafOffset, m_leafLength) ||
        !inside(m_tileOffset, m_tileLength))
        refuse("PMTiles", "sections lie outside the file");
    m_minZoom = header[100];
    m_maxZoom = header[101];
    if (m_minZoom > m_maxZoom || m_maxZoom > 30)
        refuse("PMTiles", "zoom levels out of 0..30");
    setBounds(degrees(&header[102]), degrees(&header[106]), degrees(&header[110]),
              degrees(&header[114]));
    try {
        m_root = directory(rootOffset, rootLength);
    } catch (const Exception&) {
        refuse("PMTiles", "a directory cannot be read");
    }
    if (!std::all_of(m_root.begin(), m_root.end(), [this](const Entry& e) { return within(e); }))
        refuse("PMTiles", "a directory points outside its section");
    m_tileCount = static_cast<std::int64_t>(u64(&header[72]));
    try {
        if (m_tileCount == 0)
            m_tileCount = countTiles(m_root, 1);
    } catch (const Exception&) {
        refuse("PMTiles", "a directory cannot be read");
    }
    if (m_root.empty() || m_tileCount == 0)
        refuse("PMTiles", "no tiles");
}

bool PMTilesFile::within(const Entry& entry) const noexcept
{
    const std::uint64_t section = entry.runLength > 0 ? m_tileLength : m_leafLength;
    return entry.offset <= section && entry.length <= section - entry.offset;
}

std::vector<std::uint8_t> PMTilesFile::readAt(std::uint64_t offset, std::uint64_t length) const
{
    if (offset > m_size || length > m_size - offset)
        return {};
    std::vector<std::uint8_t> bytes(length);
    m_file.seek(offset);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t read = m_file.read(bytes.data() + done, bytes.size() - done);
        if (read == 0)
            return {};
        done += read;
    }
    return bytes;
}

std::vector<PMTilesFile::Entry> PMTilesFile::directory(std::uint64_t offset,
                                                       std::uint64_t length) const
{
    std::vector<std::uint8_t> bytes = readAt(offset, length);
    if (m_directoryCompression == compressionGzip) {
        std::vector<std::uint8_t> inflated;
        if (bytes.empty() || !gunzip(bytes, inflated))
            CORVANE_THROW(DatabaseException, SQLITE_CORRUPT, "PMTiles directory does not inflate");
        bytes.swap(inflated);
    }
    auto entries = decode(bytes);
    if (!entries)
        CORVANE_THROW(DatabaseException, SQLITE_CORRUPT, "PMTiles directory does not read");
    return std::move(*entries);
}

std::int64_t PMTilesFile::countTiles(const std::vector<Entry>& entries, int depth) const
{
    std::int64_t count = 0;
    for (const Entry& entry : entries) {
        if (entry.runLength > 0)
            count += entry.runLength;
        else if (depth < maxDepth)
            count += countTiles(directory(m_leafOffset + entry.offset, entry.length), depth + 1);
    }
    return count;
}

std::vector<std::uint8_t> PMTilesFile::tile(int z, int x, int y) const
{
    if (!isTile(z, x, y))
        return {};
    const std::uint64_t id =
        tileId(z, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));

    std::lock_guard<std::mutex> lock(m_mutex);
    const std::vector<Entry>* entries = &m_root;
    for (int depth = 1; depth <= maxDepth; ++depth) {
        // The last entry that starts at or before the id.
        const auto after = std::upper_bound(
            entries->begin(), entries->end(), id,
            [](std::uint64_t wanted, const Entry& entry) { return wanted < entry.tileId; });
        if (after == entries->begin())
            return {};
        const Entry entry = *(after - 1);
        if (!within(entry))
            CORVANE_THROW(DatabaseException, SQLITE_CORRUPT,
                          "PMTiles directory points outside its section");
        if (entry.runLength > 0) {
            if (id - entry.tileId >= entry.runLength)
                return {};
            return readAt(m_tileOffset + entry.offset, entry.length);
        }
        const std::uint64_t leaf = m_leafOffset + entry.offset;
        auto kept = m_leaves.find(leaf);
        if (kept == m_leaves.end()) {
            if (m_leaves.size() >= 16)
                m_leaves.clear();
            kept = m_leaves.emplace(leaf, directory(leaf, entry.length)).first;
        }
        entries = &kept->second;
    }
    return {};
}

} // namespace corvane
