#pragma once

#include "data/Database.h"

#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The typed operations on a settings file's key/value table `setup`. Keys
// are compared without regard to ASCII letter case and are unique; values
// keep their type (integer, text or bytes).
//
// Reads insert the caller's default when the key is missing, so after any
// read the key exists and later reads return the stored value. Writes update
// first and insert when no row changed; both run inside the caller's
// transaction when one is open (begin/commit).
//
// Ownership: as Database. Threads: no lock here; callers hold
// AbstractSetup's mutex. Throws: DatabaseException from every operation
// except where noted.
class SetupDatabase final : public Database
{
public:
    // Database::open, then creates the table and its index in a file that
    // holds no table or view at all. True when the file has a `setup` table.
    bool open(const char* utf8Path, int busyTimeoutMs);

    int getInt(const char* key, int defaultValue);
    bool getBool(const char* key, bool defaultValue);
    std::string getString(const char* key, const char* defaultValue);
    // The stored value as text (a number as its decimal digits), inserting
    // nothing; nothing when the key is missing.
    std::optional<std::string> findText(const char* key);
    // With a row: copies min(capacity, stored size) bytes into the buffer
    // and sets capacity to the stored size. Without one: stores the
    // buffer's `capacity` bytes under the key and leaves both unchanged.
    // Returns the buffer.
    void* getBlob(const char* key, void* buffer, int& capacity);

    void setInt(const char* key, int value);
    void setBool(const char* key, bool value);
    void setString(const char* key, const char* value);
    void setBlob(const char* key, const void* bytes, int count);

    // Without `replace` a key that exists raises (the UNIQUE constraint).
    void insertInt(const char* key, int value, bool replace);
    void insertBool(const char* key, bool value, bool replace);
    void insertString(const char* key, const char* value, bool replace);
    void insertBlob(const char* key, const void* bytes, int count, bool replace);

    void begin();
    void commit();
    // Ends an open transaction without its changes; does nothing when none
    // is open. Never throws.
    void rollback() noexcept;

    // Copies every setting into the `setup` table of another settings file.
    // False (traced) when the copy fails, e.g. a key already there; the
    // other file is always detached. ATTACH/DETACH failures raise.
    bool exportTo(const char* path);
    // Copies the other file's settings over these, leaving out keys that
    // begin with one of the prefixes (SQLite LIKE: ASCII case ignored, "%"
    // and "_" act as wildcards). False (traced) when the copy fails.
    bool importFrom(const char* path, const std::vector<std::string>& excludedPrefixes);
};

} // namespace corvane
