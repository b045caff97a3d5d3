#include "data/Statement.h"

#include "data/Database.h"
#include "data/DatabaseException.h"

#include <cstring>
#include <sqlite3.h>

namespace corvane {

Statement::Statement(Database& database, const char* sql) : m_database(database)
{
    if (sql != nullptr)
        prepare(sql);
}

Statement::~Statement()
{
    finalize();
}

void Statement::prepare(const char* sql)
{
    finalize();
    const int length = static_cast<int>(std::strlen(sql));
    if (sqlite3_prepare(m_database.getHandle(), sql, length, &m_statement, nullptr) != SQLITE_OK) {
        finalize();
        CORVANE_THROW_DATABASE(m_database.getHandle());
    }
}

int Statement::indexOf(const char* name) const noexcept
{
    return sqlite3_bind_parameter_index(m_statement, name);
}

int Statement::bindInt(int index, int value) noexcept
{
    return sqlite3_bind_int(m_statement, index, value);
}

int Statement::bindInt(const char* name, int value) noexcept
{
    return bindInt(indexOf(name), value);
}

int Statement::bindText(int index, const char* text) noexcept
{
    return sqlite3_bind_text(m_statement, index, text, -1, SQLITE_STATIC);
}

int Statement::bindText(const char* name, const char* text) noexcept
{
    return bindText(indexOf(name), text);
}

int Statement::bindBlob(int index, const void* bytes, int count) noexcept
{
    return sqlite3_bind_blob(m_statement, index, bytes, count, SQLITE_STATIC);
}

int Statement::bindBlob(const char* name, const void* bytes, int count) noexcept
{
    return bindBlob(indexOf(name), bytes, count);
}

void Statement::execute()
{
    if (sqlite3_step(m_statement) == SQLITE_DONE)
        return;
    finalize();
    CORVANE_THROW_DATABASE(m_database.getHandle());
}

void Statement::finalize() noexcept
{
    if (m_statement != nullptr) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

} // namespace corvane
