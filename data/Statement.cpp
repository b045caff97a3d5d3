#include "data/Statement.h"

#include "data/Database.h"
#include "data/DatabaseException.h"

#include <cstdio>
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
    if (sqlite3_prepare_v2(m_database.getHandle(), sql, length, &m_statement, nullptr) !=
        SQLITE_OK) {
        finalize();
        CORVANE_THROW_DATABASE(m_database.getHandle());
    }
}

int Statement::indexOf(const char* name) const
{
    const int index = sqlite3_bind_parameter_index(m_statement, name);
    if (index == 0 && m_statement != nullptr) {
        char message[DatabaseException::messageCapacity];
        std::snprintf(message, sizeof message, "no parameter named %s",
                      name != nullptr ? name : "(null)");
        CORVANE_THROW(DatabaseException, SQLITE_RANGE, message);
    }
    return index;
}

void Statement::check(int result, int index) const
{
    if (result == SQLITE_OK)
        return;
    if (m_statement == nullptr)
        CORVANE_THROW(DatabaseException, SQLITE_MISUSE, "no statement prepared");
    char message[DatabaseException::messageCapacity];
    std::snprintf(message, sizeof message, "cannot bind parameter %d: %s", index,
                  sqlite3_errstr(result));
    CORVANE_THROW(DatabaseException, result, message);
}

void Statement::bindInt(int index, int value)
{
    check(sqlite3_bind_int(m_statement, index, value), index);
}

void Statement::bindInt64(int index, std::int64_t value)
{
    check(sqlite3_bind_int64(m_statement, index, value), index);
}

void Statement::bindInt(const char* name, int value)
{
    bindInt(indexOf(name), value);
}

void Statement::bindText(int index, const char* text)
{
    check(sqlite3_bind_text(m_statement, index, text, -1, SQLITE_TRANSIENT), index);
}

void Statement::bindText(const char* name, const char* text)
{
    bindText(indexOf(name), text);
}

void Statement::bindTextNoCopy(int index, const char* text)
{
    check(sqlite3_bind_text(m_statement, index, text, -1, SQLITE_STATIC), index);
}

void Statement::bindTextNoCopy(const char* name, const char* text)
{
    bindTextNoCopy(indexOf(name), text);
}

void Statement::bindBlob(int index, const void* bytes, int count)
{
    check(sqlite3_bind_blob(m_statement, index, bytes, count, SQLITE_TRANSIENT), index);
}

void Statement::bindBlob(const char* name, const void* bytes, int count)
{
    bindBlob(indexOf(name), bytes, count);
}

void Statement::bindBlobNoCopy(int index, const void* bytes, int count)
{
    check(sqlite3_bind_blob(m_statement, index, bytes, count, SQLITE_STATIC), index);
}

void Statement::bindBlobNoCopy(const char* name, const void* bytes, int count)
{
    bindBlobNoCopy(indexOf(name), bytes, count);
}

void Statement::execute()
{
    if (sqlite3_step(m_statement) == SQLITE_DONE)
        return;
    finalize();
    CORVANE_THROW_DATABASE(m_database.getHandle());
}

void Statement::reset() noexcept
{
    if (m_statement != nullptr)
        sqlite3_reset(m_statement);
}

void Statement::finalize() noexcept
{
    if (m_statement != nullptr) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

} // namespace corvane
