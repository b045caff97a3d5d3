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

} // namespace corvane
