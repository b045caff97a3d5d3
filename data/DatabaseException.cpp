#include "data/DatabaseException.h"

#include <cstdio>
#include <sqlite3.h>

namespace corvane {

DatabaseException::DatabaseException(const char* name, const char* file, int line,
                                     const char* function, sqlite3* connection) noexcept
    : Exception(name, file, line, function, sqlite3_errcode(connection), nullptr)
{
    std::snprintf(m_message, sizeof m_message, "%s", sqlite3_errmsg(connection));
}

DatabaseException::DatabaseException(const char* name, const char* file, int line,
                                     const char* function, int code, const char* message) noexcept
    : Exception(name, file, line, function, code, nullptr)
{
    std::snprintf(m_message, sizeof m_message, "%s", message != nullptr ? message : "");
}

} // namespace corvane
