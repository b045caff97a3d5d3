#include "data/SetupDatabase.h"

#include "base/Trace.h"
#include "data/DatabaseException.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Statement.h"

#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace corvane {

// Keys are program constants, but they still go through "%q": a key with an
// apostrophe must not be able to end the literal.

namespace {

const char* orEmpty(bool replace)
{
    return replace ? "OR REPLACE" : "";
}

} // namespace

bool SetupDatabase::open(const char* utf8Path, int busyTimeoutMs)
{
    Database::open(utf8Path, busyTimeoutMs);
    std::vector<std::string> names;
    listTables(names);
    if (names.empty()) {
        execute("CREATE TABLE setup(key text NOT NULL COLLATE NOCASE,value NOT NULL DEFAULT "
                "'',UNIQUE(key));");
        execute("CREATE UNIQUE INDEX setup_idx ON setup(key);");
        return true;
    }
    return std::find(names.begin(), names.end(), "setup") != names.end();
}

int SetupDatabase::getInt(const char* key, int defaultValue)
{
    FormatableSQL sql("SELECT value FROM setup WHERE key='%q';", key);
    RowSet rows(*this, sql.getText());
    if (rows.next())
        return rows.getInt(0);
    rows.close();
    insertInt(key, defaultValue, false);
    return defaultValue;
}

bool SetupDatabase::getBool(const char* key, bool defaultValue)
{
    return getInt(key, defaultValue ? 1 : 0) != 0;
}

std::string SetupDatabase::getString(const char* key, const char* defaultValue)
{
    FormatableSQL sql("SELECT value FROM setup WHERE key='%q';", key);
    RowSet rows(*this, sql.getText());
    if (rows.next()) {
        const char* text = rows.getText(0);
        return text != nullptr ? text : "";
    }
    rows.close();
    insertString(key, defaultValue, false);
    return defaultValue != nullptr ? defaultValue : "";
}

std::optional<std::string> SetupDatabase::findText(const char* key)
{
    FormatableSQL sql("SELECT value FROM setup WHERE key='%q';", key);
    RowSet rows(*this, sql.getText());
    if (!rows.next())
        return std::nullopt;
    const char* text = rows.getText(0);
    return std::string(text != nullptr ? text : "");
}

void* SetupDatabase::getBlob(const char* key, void* buffer, int& capacity)
{
    FormatableSQL sql("SELECT value FROM setup WHERE key='%q';", key);
    RowSet rows(*this, sql.getText());
    if (rows.next()) {
        const void* stored = rows.getBlob(0);
        const int size = rows.getBytes(0);
        const int copied = std::min(capacity, size);
        if (copied > 0 && stored != nullptr)
            std::memcpy(buffer, stored, static_cast<std::size_t>(copied));
        capacity = size;
        return buffer;
    }
    rows.close();
    insertBlob(key, buffer, capacity, false);
    return buffer;
}

void SetupDatabase::setInt(const char* key, int value)
{
    FormatableSQL sql("UPDATE setup SET value=%d WHERE key='%q'", value, key);
    execute(sql.getText());
    if (getChanges() == 0)
        insertInt(key, value, false);
}

void SetupDatabase::setBool(const char* key, bool value)
{
    setInt(key, value ? 1 : 0);
}

void SetupDatabase::setString(const char* key, const char* value)
{
    FormatableSQL sql("UPDATE setup SET value='%q' WHERE key='%q'", value, key);
    execute(sql.getText());
    if (getChanges() == 0)
        insertString(key, value, false);
}

void SetupDatabase::setBlob(const char* key, const void* bytes, int count)
{
    FormatableSQL sql("UPDATE setup SET value=:value WHERE key='%q'", key);
    Statement statement(*this, sql.getText());
    // The caller's bytes outlive this call, and the statement runs within it.
    statement.bindBlobNoCopy(":value", bytes, count);
    statement.execute();
    statement.finalize();
    if (getChanges() == 0)
        insertBlob(key, bytes, count, false);
}

void SetupDatabase::insertInt(const char* key, int value, bool replace)
{
    FormatableSQL sql("INSERT %s INTO setup VALUES ('%q', %d)", orEmpty(replace), key, value);
    execute(sql.getText());
}

void SetupDatabase::insertBool(const char* key, bool value, bool replace)
{
    insertInt(key, value ? 1 : 0, replace);
}

void SetupDatabase::insertString(const char* key, const char* value, bool replace)
{
    FormatableSQL sql("INSERT %s INTO setup VALUES ('%q', '%q')", orEmpty(replace), key, value);
    execute(sql.getText());
}

void SetupDatabase::insertBlob(const char* key, const void* bytes, int count, bool replace)
{
    FormatableSQL sql("INSERT %s INTO setup VALUES ('%q', :value)", orEmpty(replace), key);
    Statement statement(*this, sql.getText());
    statement.bindBlobNoCopy(":value", bytes, count);
    statement.execute();
}

void SetupDatabase::begin()
{
    execute("BEGIN;");
}

void SetupDatabase::commit()
{
    execute("COMMIT;");
}

void SetupDatabase::rollback() noexcept
{
    if (inTransaction())
        sqlite3_exec(getHandle(), "ROLLBACK;", nullptr, nullptr, nullptr);
}

bool SetupDatabase::exportTo(const char* path)
{
    FormatableSQL attach("ATTACH DATABASE '%q' AS db;", path);
    execute(attach.getText());
    bool copied = true;
    try {
        execute("INSERT INTO db.setup SELECT * FROM main.setup;");
    } catch (const DatabaseException& e) {
        traceException(e);
        copied = false;
    }
    execute("DETACH DATABASE db;");
    return copied;
}

bool SetupDatabase::importFrom(const char* path, const std::vector<std::string>& excludedPrefixes)
{
    FormatableSQL attach("ATTACH DATABASE '%q' AS db;", path);
    execute(attach.getText());
    std::string sql = "INSERT OR REPLACE INTO main.setup SELECT * FROM db.setup";
    bool first = true;
    for (const std::string& prefix : excludedPrefixes) {
        FormatableSQL condition("key NOT LIKE '%q%%'", prefix.c_str());
        sql += first ? " WHERE " : " AND ";
        sql += condition.getText();
        first = false;
    }
    sql += ";";
    bool copied = true;
    try {
        execute(sql.c_str());
    } catch (const DatabaseException& e) {
        traceException(e);
        copied = false;
    }
    execute("DETACH DATABASE db;");
    return copied;
}

} // namespace corvane
