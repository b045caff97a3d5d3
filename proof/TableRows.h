#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace corvane {

// One row of a query result: every column as text, NULL as "<null>".
using Row = std::vector<std::string>;

// A read-only look at a database file that another process writes, for the
// checks of the tests and benchmarks: every query sees the newest committed
// state and waits up to two seconds for a writer's lock.
//
// Ownership: owns its connection, opened on first use (a file that does not
// exist yet or cannot be read gives no rows). Threads: one thread per
// instance. Throws: never; a failing query gives no rows.
class TableRows
{
public:
    explicit TableRows(std::string path);
    ~TableRows();

    TableRows(const TableRows&) = delete;
    TableRows& operator=(const TableRows&) = delete;

    std::vector<Row> query(const std::string& sql);
    // The first column of the first row as a number; -1 when there is none.
    long long number(const std::string& sql);

private:
    bool ensureOpen();

    std::string m_path;
    sqlite3* m_handle = nullptr;
};

} // namespace corvane
