#include "data/RowSet.h"

#include "data/Database.h"
#include "data/DatabaseException.h"

#include <cstring>
#include <sqlite3.h>

namespace corvane {

RowSet::RowSet(Database& database, const char* sql) : m_database(database)
{
    if (sql != nullptr)
        query(sql);
}

RowSet::~RowSet()
{
    close();
}

void RowSet::query(const char* sql)
{
    close();
    const int length = static_cast<int>(std::strlen(sql));
    if (sqlite3_prepare_v2(m_database.getHandle(), sql, length, &m_statement, nullptr) !=
        SQLITE_OK) {
        close();
        CORVANE_THROW_DATABASE(m_database.getHandle());
    }
}

bool RowSet::next()
{
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    // The error is read after the release, as every raise in this layer
    // does, so that the statement never outlives its failure.
    close();
    CORVANE_THROW_DATABASE(m_database.getHandle());
}

void RowSet::close() noexcept
{
    if (m_statement != nullptr) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

int RowSet::getInt(int column) const noexcept
{
    return sqlite3_column_int(m_statement, column);
}

long long RowSet::getInt64(int column) const noexcept
{
    return sqlite3_column_int64(m_statement, column);
}

double RowSet::getDouble(int column) const noexcept
{
    return sqlite3_column_double(m_statement, column);
}

const char* RowSet::getText(int column) const noexcept
{
    return reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
}

const char* RowSet::getTextOrEmpty(int column) const noexcept
{
    const char* text = getText(column);
    return text != nullptr ? text : "";
}

const void* RowSet::getBlob(int column) const noexcept
{
    return sqlite3_column_blob(m_statement, column);
}

int RowSet::getBytes(int column) const noexcept
{
    return sqlite3_column_bytes(m_statement, column);
}

int RowSet::getColumnCount() const noexcept
{
    return sqlite3_column_count(m_statement);
}

const char* RowSet::getColumnName(int column) const noexcept
{
    return sqlite3_column_name(m_statement, column);
}

} // namespace corvane
