#pragma once

struct sqlite3_stmt;

namespace corvane {

class Database;

// A read cursor over the rows of one query. Holds its compiled statement from
// query() until close(), a failed next(), a new query() or destruction; a
// RowSet whose next() returned false still holds it.
//
// Ownership: owns the statement; borrows the Database, which must outlive it.
// Column texts and blobs belong to SQLite and stay valid until the next
// next() or close().
// Threads: the thread that uses the Database.
// Throws: DatabaseException from the constructor with SQL, query and next;
// close and the column accessors never throw.
class RowSet
{
public:
    explicit RowSet(Database& database, const char* sql = nullptr);
    ~RowSet();

    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;

    // Compiles the first statement of the text.
    void query(const char* sql);
    // Steps to the next row: true on a row, false at the end.
    bool next();
    void close() noexcept;

    // Columns counted from 0, on the current row.
    int getInt(int column) const noexcept;
    long long getInt64(int column) const noexcept;
    double getDouble(int column) const noexcept;
    // nullptr for a NULL column.
    const char* getText(int column) const noexcept;
    // The same, but an empty text for a NULL column.
    const char* getTextOrEmpty(int column) const noexcept;
    const void* getBlob(int column) const noexcept;
    int getBytes(int column) const noexcept;
    int getColumnCount() const noexcept;
    const char* getColumnName(int column) const noexcept;

private:
    Database& m_database;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace corvane
