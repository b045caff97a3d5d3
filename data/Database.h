#pragma once

#include <atomic>
#include <string>
#include <vector>

struct sqlite3;

namespace corvane {

// One SQLite connection. Closed at construction; open after a successful
// open(); closed by close(), by the next open() and by destruction.
//
// Ownership: the object owns the connection handle. RowSets and Statements
// made on it borrow it and must not outlive a close() that they race with;
// a close while they still hold statements is deferred by SQLite until they
// are finalized, so destruction order between them is safe.
// Threads: one thread at a time; owners serialise with their own mutexes.
// Throws: DatabaseException (SQLite's code and message) from open, execute
// and listTables; close, getChanges and the accessors never throw.
class Database
{
public:
    Database() noexcept = default;
    virtual ~Database();

    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when missing) the file at the UTF-8 path for reading
    // and writing, closing any connection held before. A failed open keeps
    // the new handle (closed by the next open, close or destruction) so that
    // its error stays readable. A busy time-out above 0 ms is installed.
    void open(const char* utf8Path, int busyTimeoutMs);
    void close() noexcept;
    bool isOpen() const noexcept { return m_handle != nullptr; }

    // Runs one or several statements for their effect.
    void execute(const char* sql);

    // Appends the names of every table and view (temporary ones included,
    // SQLite's own left out), sorted by name.
    void listTables(std::vector<std::string>& names);

    // Rows changed by the most recent statement.
    int getChanges() const noexcept;

    // True while an explicit transaction is open on the connection.
    bool inTransaction() const noexcept;

    // From now on every statement of this connection ends with
    // SQLITE_INTERRUPT within a few hundred steps of *stop turning true, and
    // one started after it does not run. Unlike sqlite3_interrupt, a stop that
    // falls between two statements still counts. *stop must outlive the
    // connection or the next call; nullptr stops watching. Needs an open
    // connection.
    void interruptWhen(const std::atomic<bool>* stop) noexcept;

    sqlite3* getHandle() const noexcept { return m_handle; }

private:
    sqlite3* m_handle = nullptr;
};

} // namespace corvane
