#include "proof/TableRows.h"

#include <sqlite3.h>

namespace corvane {

TableRows::TableRows(std::string path) : m_path(std::move(path)) {}

TableRows::~TableRows()
{
    sqlite3_close(m_handle);
}

bool TableRows::ensureOpen()
{
    if (m_handle != nullptr)
        return true;
    if (sqlite3_open_v2(m_path.c_str(), &m_handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(m_handle);
        m_handle = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_handle, 2000);
    return true;
}

std::vector<Row> TableRows::query(const std::string& sql)
{
    std::vector<Row> rows;
    if (!ensureOpen())
        return rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_handle, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return rows;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        Row row;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            row.emplace_back(text != nullptr
                                 ? std::string(text, sqlite3_column_bytes(statement, column))
                                 : "<null>");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE)
        rows.clear(); // a half-read answer would look like lost rows
    return rows;
}

long long TableRows::number(const std::string& sql)
{
    const std::vector<Row> rows = query(sql);
    if (rows.empty() || rows.front().empty() || rows.front().front() == "<null>")
        return -1;
    return std::stoll(rows.front().front());
}

} // namespace corvane
