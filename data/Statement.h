#pragma once

struct sqlite3_stmt;

namespace corvane {

class Database;

// One prepared statement with bound parameters, run for its effect.
//
// Ownership: owns the statement (released by finalize, a failed execute, a
// new prepare or destruction); borrows the Database, which must outlive it.
// Texts and bytes are bound without copying: the caller keeps them alive
// until the statement has run.
// Threads: the thread that uses the Database.
// Throws: DatabaseException from the constructor with SQL, prepare and
// execute; binding returns SQLite's result code and never throws.
class Statement
{
public:
    explicit Statement(Database& database, const char* sql = nullptr);
    ~Statement();

    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Compiles the first statement of the text.
    void prepare(const char* sql);

    // Parameters counted from 1, or found by name (":value"); a name the
    // statement lacks gives index 0, which SQLite refuses with SQLITE_RANGE.
    int bindInt(int index, int value) noexcept;
    int bindInt(const char* name, int value) noexcept;
    int bindText(int index, const char* text) noexcept;
    int bindText(const char* name, const char* text) noexcept;
    int bindBlob(int index, const void* bytes, int count) noexcept;
    int bindBlob(const char* name, const void* bytes, int count) noexcept;

    // Runs the statement to its end. A statement that returns a row is a
    // failure as much as an error is: either releases the statement.
    void execute();
    void finalize() noexcept;

private:
    int indexOf(const char* name) const noexcept;

    Database& m_database;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace corvane
