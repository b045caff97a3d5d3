#include "data/MBTilesFile.h"

#include "data/DatabaseException.h"

#include <cmath>
#include <cstdlib>
#include <sqlite3.h>

namespace corvane {

namespace {

// A one-shot query on the file's connection, finalized whatever happens.
class Query
{
public:
    Query(sqlite3* handle, const char* sql)
    {
        if (sqlite3_prepare_v2(handle, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Query() { sqlite3_finalize(m_statement); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool ok() const noexcept { return m_statement != nullptr; }
    bool step() { return m_statement != nullptr && sqlite3_step(m_statement) == SQLITE_ROW; }
    sqlite3_stmt* get() const noexcept { return m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace

MBTilesFile::MBTilesFile(const std::string& utf8Path) : TileFile(utf8Path)
{
    const int opened = sqlite3_open_v2(utf8Path.c_str(), &m_handle, SQLITE_OPEN_READONLY, nullptr);
    if (opened != SQLITE_OK) {
        sqlite3_close(m_handle);
        m_handle = nullptr;
        refuse("cannot be opened (missing or unreadable)");
    }
    try {
        check();
    } catch (...) {
        sqlite3_finalize(m_tileStatement);
        sqlite3_close(m_handle);
        throw;
    }
}

MBTilesFile::~MBTilesFile()
{
    sqlite3_finalize(m_tileStatement);
    sqlite3_close(m_handle);
}

void MBTilesFile::refuse(const std::string& reason) const
{
    TileFile::refuse("MBTiles", reason);
}

std::string MBTilesFile::metadata(const char* name) const
{
    Query query(m_handle, "SELECT value FROM metadata WHERE name = ?1");
    if (!query.ok())
        return {};
    sqlite3_bind_text(query.get(), 1, name, -1, SQLITE_STATIC);
    if (!query.step())
        return {};
    const unsigned char* text = sqlite3_column_text(query.get(), 0);
    return text != nullptr ? reinterpret_cast<const char*>(text) : std::string();
}

void MBTilesFile::check()
{
    // The first read is where a file that is not SQLite at all shows itself.
    Query tables(m_handle, "SELECT name FROM sqlite_master WHERE type IN ('table','view')");
    if (!tables.ok())
        refuse("not an SQLite file");
    bool hasTiles = false;
    bool hasMetadata = false;
    while (tables.step()) {
        const std::string name =
            reinterpret_cast<const char*>(sqlite3_column_text(tables.get(), 0));
        hasTiles = hasTiles || name == "tiles";
        hasMetadata = hasMetadata || name == "metadata";
    }
    if (sqlite3_errcode(m_handle) != SQLITE_OK && sqlite3_errcode(m_handle) != SQLITE_DONE)
        refuse("not an SQLite file");
    if (!hasTiles)
        refuse("no tiles table");
    if (!hasMetadata)
        refuse("no metadata table");
    for (const char* column : {"zoom_level", "tile_column", "tile_row", "tile_data"}) {
        const std::string sql = std::string("SELECT ") + column + " FROM tiles LIMIT 0";
        if (!Query(m_handle, sql.c_str()).ok())
            refuse(std::string("tiles has no column ") + column);
    }
    if (!Query(m_handle, "SELECT name, value FROM metadata LIMIT 0").ok())
        refuse("metadata has no name/value columns");

    Query summary(m_handle, "SELECT count(*), min(zoom_level), max(zoom_level) FROM tiles");
    if (!summary.step())
        refuse("tiles cannot be read");
    m_tileCount = sqlite3_column_int64(summary.get(), 0);
    if (m_tileCount == 0)
        refuse("no tiles");
    m_minZoom = sqlite3_column_int(summary.get(), 1);
    m_maxZoom = sqlite3_column_int(summary.get(), 2);
    if (m_minZoom < 0 || m_maxZoom > 30)
        refuse("zoom levels out of 0..30");

    m_format = metadata("format");
    if (m_format == "jpeg")
        m_format = "jpg";
    if (m_format.empty()) {
        Query first(m_handle, "SELECT tile_data FROM tiles LIMIT 1");
        if (first.step())
            m_format =
                sniffFormat(static_cast<const std::uint8_t*>(sqlite3_column_blob(first.get(), 0)),
                            static_cast<std::size_t>(sqlite3_column_bytes(first.get(), 0)));
    }
    if (m_format != "png" && m_format != "jpg" && m_format != "webp")
        refuse("tile format is not raster png/jpg/webp" +
               (m_format.empty() ? std::string() : " (" + m_format + ")"));

    // metadata "bounds" is "west,south,east,north"; a malformed one is
    // ignored in favour of the whole world rather than refusing the file.
    const std::string bounds = metadata("bounds");
    if (!bounds.empty()) {
        double values[4];
        const char* cursor = bounds.c_str();
        int read = 0;
        for (; read < 4; ++read) {
            char* end = nullptr;
            values[read] = std::strtod(cursor, &end);
            if (end == cursor)
                break;
            cursor = *end == ',' ? end + 1 : end;
        }
        if (read == 4)
            setBounds(values[0], values[1], values[2], values[3]);
    }

    if (sqlite3_prepare_v2(m_handle,
                           "SELECT tile_data FROM tiles WHERE zoom_level = ?1 AND tile_column = ?2 "
                           "AND tile_row = ?3",
                           -1, &m_tileStatement, nullptr) != SQLITE_OK)
        refuse("tiles cannot be read");
}

std::string MBTilesFile::sniffFormat(const std::uint8_t* bytes, std::size_t size)
{
    if (size >= 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G')
        return "png";
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return "jpg";
    if (size >= 12 && std::string(reinterpret_cast<const char*>(bytes), 4) == "RIFF" &&
        std::string(reinterpret_cast<const char*>(bytes) + 8, 4) == "WEBP")
        return "webp";
    return {};
}

std::vector<std::uint8_t> MBTilesFile::tile(int z, int x, int y) const
{
    if (!isTile(z, x, y))
        return {};
    const std::int64_t row = (std::int64_t(1) << z) - 1 - y;

    std::lock_guard<std::mutex> lock(m_mutex);
    sqlite3_reset(m_tileStatement);
    sqlite3_bind_int(m_tileStatement, 1, z);
    sqlite3_bind_int64(m_tileStatement, 2, x);
    sqlite3_bind_int64(m_tileStatement, 3, row);
    std::vector<std::uint8_t> bytes;
    const int result = sqlite3_step(m_tileStatement);
    if (result == SQLITE_ROW) {
        const auto* data =
            static_cast<const std::uint8_t*>(sqlite3_column_blob(m_tileStatement, 0));
        bytes.assign(data, data + sqlite3_column_bytes(m_tileStatement, 0));
    } else if (result != SQLITE_DONE) {
        sqlite3_reset(m_tileStatement);
        CORVANE_THROW_DATABASE(m_handle);
    }
    sqlite3_reset(m_tileStatement);
    return bytes;
}

} // namespace corvane
