#include "data/TileCache.h"

#include "data/DatabaseException.h"

#include <algorithm>
#include <chrono>
#include <sqlite3.h>

namespace corvane {

namespace {

class CacheStatement
{
public:
    CacheStatement(sqlite3* handle, const char* sql) : m_handle(handle)
    {
        if (sqlite3_prepare_v2(handle, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            CORVANE_THROW_DATABASE(handle);
    }
    ~CacheStatement() { sqlite3_finalize(m_statement); }
    CacheStatement(const CacheStatement&) = delete;
    CacheStatement& operator=(const CacheStatement&) = delete;

    void bindKey(const std::string& source, int z, int x, int y)
    {
        sqlite3_bind_text(m_statement, 1, source.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(m_statement, 2, z);
        sqlite3_bind_int(m_statement, 3, x);
        sqlite3_bind_int(m_statement, 4, y);
    }
    // True for a row, false at the end; throws on failure.
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            CORVANE_THROW_DATABASE(m_handle);
        return false;
    }
    sqlite3_stmt* get() const noexcept { return m_statement; }

private:
    sqlite3* m_handle;
    sqlite3_stmt* m_statement = nullptr;
};

void run(sqlite3* handle, const char* sql)
{
    if (sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        CORVANE_THROW_DATABASE(handle);
}

std::int64_t queryInt(sqlite3* handle, const char* sql)
{
    CacheStatement statement(handle, sql);
    return statement.step() ? sqlite3_column_int64(statement.get(), 0) : 0;
}

// Rolls back unless committed, so that a failure mid-store leaves the file
// and the running total as they were.
class CacheTransaction
{
public:
    explicit CacheTransaction(sqlite3* handle) : m_handle(handle)
    {
        run(handle, "BEGIN IMMEDIATE");
    }
    ~CacheTransaction()
    {
        if (!m_committed)
            sqlite3_exec(m_handle, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        run(m_handle, "COMMIT");
        m_committed = true;
    }

private:
    sqlite3* m_handle;
    bool m_committed = false;
};

} // namespace

TileCache::TileCache(const std::string& utf8Path, std::int64_t capBytes) : m_capBytes(capBytes)
{
    if (sqlite3_open_v2(utf8Path.c_str(), &m_handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        DatabaseException failure = CORVANE_EXCEPTION(DatabaseException, m_handle);
        sqlite3_close(m_handle);
        throw failure;
    }
    try {
        sqlite3_busy_timeout(m_handle, 2000);
        run(m_handle, "PRAGMA journal_mode=WAL");
        run(m_handle, "PRAGMA synchronous=NORMAL");
        run(m_handle,
            "CREATE TABLE IF NOT EXISTS tiles (source TEXT NOT NULL, z INTEGER NOT NULL, "
            "x INTEGER NOT NULL, y INTEGER NOT NULL, data BLOB NOT NULL, size INTEGER NOT NULL, "
            "used INTEGER NOT NULL, PRIMARY KEY (source, z, x, y));"
            "CREATE INDEX IF NOT EXISTS tiles_used ON tiles (used);");
        m_totalBytes = queryInt(m_handle, "SELECT coalesce(sum(size), 0) FROM tiles");
        m_lastUse = queryInt(m_handle, "SELECT coalesce(max(used), 0) FROM tiles");
        std::lock_guard<std::mutex> lock(m_mutex);
        evictLocked();
    } catch (...) {
        sqlite3_close(m_handle);
        throw;
    }
}

TileCache::~TileCache()
{
    sqlite3_close(m_handle);
}

// Milliseconds since the epoch, but strictly increasing: two uses in the same
// millisecond must still keep their order for least-recently-used.
std::int64_t TileCache::nextUseLocked()
{
    const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    m_lastUse = std::max(now, m_lastUse + 1);
    return m_lastUse;
}

std::vector<std::uint8_t> TileCache::find(const std::string& source, int z, int x, int y)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    CacheStatement select(
        m_handle, "SELECT data FROM tiles WHERE source = ?1 AND z = ?2 AND x = ?3 AND y = ?4");
    select.bindKey(source, z, x, y);
    if (!select.step())
        return {};
    const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(select.get(), 0));
    std::vector<std::uint8_t> bytes(data, data + sqlite3_column_bytes(select.get(), 0));

    CacheStatement touch(
        m_handle, "UPDATE tiles SET used = ?5 WHERE source = ?1 AND z = ?2 AND x = ?3 AND y = ?4");
    touch.bindKey(source, z, x, y);
    sqlite3_bind_int64(touch.get(), 5, nextUseLocked());
    touch.step();
    return bytes;
}

void TileCache::store(const std::string& source, int z, int x, int y,
                      const std::vector<std::uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (size == 0 || size > m_capBytes)
        return;
    const std::int64_t totalBefore = m_totalBytes;
    try {
        CacheTransaction transaction(m_handle);
        CacheStatement old(
            m_handle, "SELECT size FROM tiles WHERE source = ?1 AND z = ?2 AND x = ?3 AND y = ?4");
        old.bindKey(source, z, x, y);
        if (old.step())
            m_totalBytes -= sqlite3_column_int64(old.get(), 0);

        CacheStatement insert(m_handle,
                              "INSERT OR REPLACE INTO tiles (source, z, x, y, data, size, used) "
                              "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        insert.bindKey(source, z, x, y);
        sqlite3_bind_blob(insert.get(), 5, bytes.data(), static_cast<int>(size), SQLITE_STATIC);
        sqlite3_bind_int64(insert.get(), 6, size);
        sqlite3_bind_int64(insert.get(), 7, nextUseLocked());
        insert.step();
        m_totalBytes += size;
        evictLocked();
        transaction.commit();
    } catch (...) {
        m_totalBytes = totalBefore;
        throw;
    }
}

void TileCache::evictLocked()
{
    if (m_totalBytes <= m_capBytes)
        return;
    CacheStatement oldest(m_handle, "SELECT rowid, size FROM tiles ORDER BY used");
    std::vector<std::int64_t> doomed;
    std::int64_t remaining = m_totalBytes;
    while (remaining > m_capBytes && oldest.step()) {
        doomed.push_back(sqlite3_column_int64(oldest.get(), 0));
        remaining -= sqlite3_column_int64(oldest.get(), 1);
    }
    CacheStatement drop(m_handle, "DELETE FROM tiles WHERE rowid = ?1");
    for (std::int64_t rowid : doomed) {
        sqlite3_reset(drop.get());
        sqlite3_bind_int64(drop.get(), 1, rowid);
        drop.step();
    }
    m_totalBytes = remaining;
}

void TileCache::setCapBytes(std::int64_t capBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_capBytes = capBytes;
    CacheTransaction transaction(m_handle);
    evictLocked();
    transaction.commit();
}

void TileCache::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    run(m_handle, "DELETE FROM tiles");
    m_totalBytes = 0;
}

std::int64_t TileCache::totalBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_totalBytes;
}

std::int64_t TileCache::capBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_capBytes;
}

std::int64_t TileCache::tileCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return queryInt(m_handle, "SELECT count(*) FROM tiles");
}

} // namespace corvane
