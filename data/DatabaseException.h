#pragma once

#include "base/Exception.h"

struct sqlite3;

// Raises a DatabaseException carrying the connection's current SQLite error.
// Used inside namespace corvane, so that the class name reads "DatabaseException".
#define CORVANE_THROW_DATABASE(handle) CORVANE_THROW(DatabaseException, (handle))

namespace corvane {

// An SQLite failure: the code (sqlite3_errcode) and the message
// (sqlite3_errmsg) of the connection as they were when the exception was
// built. The message is copied into the object (cut at 511 characters), so
// the exception stays valid after the connection has moved on or closed.
// A null connection reads as SQLite's out-of-memory error. The second form
// carries a code and message of the raiser's own (a refused bind, say, names
// the parameter, which the connection's error does not).
//
// Threads: as Exception. Throws: never.
class DatabaseException : public Exception
{
public:
    static constexpr int messageCapacity = 512;

    DatabaseException(const char* name, const char* file, int line, const char* function,
                      sqlite3* connection) noexcept;
    DatabaseException(const char* name, const char* file, int line, const char* function, int code,
                      const char* message) noexcept;

    const char* getMessage() const noexcept override { return m_message; }

private:
    char m_message[messageCapacity];
};

} // namespace corvane
