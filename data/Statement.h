#pragma once

#include <cstdint>

struct sqlite3_stmt;

namespace corvane {

class Database;

// One prepared statement with bound parameters, run for its effect.
//
// Ownership: owns the statement (released by finalize, a failed execute, a
// new prepare or destruction); borrows the Database, which must outlive it.
// bindText and bindBlob copy what they are given, so a temporary may be
// bound; the NoCopy forms bind in place and the caller keeps the text or
// bytes alive until the statement has run or been finalized.
// Threads: the thread that uses the Database.
// Throws: DatabaseException from the constructor with SQL, prepare, every
// bind (a missing name, an index out of range, no statement held, no memory)
// and execute. A refused bind leaves the statement held and its other
// parameters as they were.
class Statement
{
public:
    explicit Statement(Database& database, const char* sql = nullptr);
    ~Statement();

    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Compiles the first statement of the text. A failure leaves no
    // statement held.
    void prepare(const char* sql);

    // Parameters counted from 1, or found by name (":value").
    void bindInt(int index, int value);
    void bindInt(const char* name, int value);
    void bindInt64(int index, std::int64_t value);
    void bindText(int index, const char* text);
    void bindText(const char* name, const char* text);
    void bindTextNoCopy(int index, const char* text);
    void bindTextNoCopy(const char* name, const char* text);
    void bindBlob(int index, const void* bytes, int count);
    void bindBlob(const char* name, const void* bytes, int count);
    void bindBlobNoCopy(int index, const void* bytes, int count);
    void bindBlobNoCopy(const char* name, const void* bytes, int count);

    // Runs the statement to its end. A statement that returns a row is a
    // failure as much as an error is: either releases the statement.
    void execute();
    // Makes a statement that has run ready to run again; its bound parameters
    // stay. Nothing happens without a statement.
    void reset() noexcept;
    void finalize() noexcept;
    bool isPrepared() const noexcept { return m_statement != nullptr; }

private:
    int indexOf(const char* name) const;
    void check(int result, int index) const;

    Database& m_database;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace corvane
