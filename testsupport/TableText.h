#pragma once

#include "data/Database.h"
#include "data/RowSet.h"

#include <string>
#include <vector>

namespace corvane::test {

// Every row a query returns, its columns joined by "|" and NULL written
// "<null>": tables compare as plain text. Throws: DatabaseException.
inline std::vector<std::string> rowsOf(Database& db, const char* sql)
{
    RowSet rows(db, sql);
    std::vector<std::string> result;
    while (rows.next()) {
        std::string row;
        for (int c = 0; c < rows.getColumnCount(); ++c) {
            const char* text = rows.getText(c);
            row += (c > 0 ? "|" : "") + std::string(text != nullptr ? text : "<null>");
        }
        result.push_back(row);
    }
    return result;
}

// The same on a connection of its own to the file at `path`.
inline std::vector<std::string> rowsOf(const std::string& path, const char* sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    return rowsOf(db, sql);
}

} // namespace corvane::test
