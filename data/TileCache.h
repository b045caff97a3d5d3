#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

namespace corvane {

// Tiles fetched online, kept in tiles.db beside app.db so that a place the
// operator has looked at stays visible when the network fails. Keyed by the
// source's address template and z/x/y; each row holds the bytes, their size
// and when the tile was last stored or read. The total of the sizes stays at
// or under the cap: storing past it drops the least recently used tiles
// first (a tile larger than the cap is not stored at all). The file is in
// WAL mode, so a reader never waits for a writer for long.
//
// Ownership: owns its connection; closed at destruction.
// Threads: any thread, one call at a time through the object's mutex. The
// calls touch the disk, so the GUI thread does not make them: the tile
// scheme's worker does. Each call is one short statement or transaction.
// Throws: DatabaseException from the constructor (the file cannot be opened
// or made) and from every call when SQLite fails; a failed store changes
// nothing.
class TileCache
{
public:
    TileCache(const std::string& utf8Path, std::int64_t capBytes);
    ~TileCache();

    TileCache(const TileCache&) = delete;
    TileCache& operator=(const TileCache&) = delete;

    // The stored tile (marked as just used), or an empty vector.
    std::vector<std::uint8_t> find(const std::string& source, int z, int x, int y);
    // Stores or replaces the tile, then drops least recently used tiles
    // until the total is back under the cap.
    void store(const std::string& source, int z, int x, int y,
               const std::vector<std::uint8_t>& bytes);
    // A lower cap takes effect at once.
    void setCapBytes(std::int64_t capBytes);
    void clear();

    std::int64_t totalBytes() const;
    std::int64_t capBytes() const;
    std::int64_t tileCount() const;

private:
    void evictLocked();
    std::int64_t nextUseLocked();

    sqlite3* m_handle = nullptr;
    mutable std::mutex m_mutex;
    std::int64_t m_capBytes;
    std::int64_t m_totalBytes = 0;
    std::int64_t m_lastUse = 0;
};

} // namespace corvane
