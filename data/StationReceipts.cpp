#include "data/StationReceipts.h"

#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <cstdlib>
#include <limits>

namespace corvane {

namespace {

// The station's hour now and keepDays before, as SQLite reads the system clock.
constexpr const char* hourNow = "(CAST(strftime('%s', 'now') AS INTEGER) / 3600)";

FormatableSQL hourBefore(int keepDays)
{
    return FormatableSQL("(CAST(strftime('%%s', 'now', '-%d days') AS INTEGER) / 3600)", keepDays);
}

constexpr const char* receiptTables[] = {"gps_data", "event_info"};

} // namespace

void StationReceipts::ensureTables(Database& database)
{
    database.execute(
        "CREATE TABLE IF NOT EXISTS received_hour (table_name TEXT NOT NULL, hour INTEGER NOT "
        "NULL, first_id INTEGER NOT NULL, PRIMARY KEY (table_name, hour));"
        "CREATE TABLE IF NOT EXISTS vehicle_heard (vehicle_id TEXT PRIMARY KEY, last_sample_id "
        "INTEGER NOT NULL);");
    for (const char* table : receiptTables) {
        const FormatableSQL sql("INSERT INTO received_hour (table_name, hour, first_id) SELECT "
                                "'%q', %s, 1 WHERE NOT EXISTS (SELECT 1 FROM received_hour WHERE "
                                "table_name = '%q');",
                                table, hourNow, table);
        database.execute(sql.getText());
    }
}

void StationReceipts::markBatch(Database& database)
{
    // The next id is at least one above the highest there is (AUTOINCREMENT
    // never hands out a lower one), so every row of this batch and later
    // lies at or above first_id.
    for (const char* table : receiptTables) {
        const FormatableSQL sql("INSERT OR IGNORE INTO received_hour (table_name, hour, first_id) "
                                "SELECT '%q', %s, COALESCE(MAX(id), 0) + 1 FROM %s;",
                                table, hourNow, table);
        database.execute(sql.getText());
    }
}

std::int64_t StationReceipts::firstIdReceivedWithin(Database& database, const char* table,
                                                    int keepDays)
{
    // The smallest, not the first by hour: a station clock set back writes
    // an earlier hour with a higher id, and neither may lose a row early.
    const FormatableSQL sql(
        "SELECT MIN(first_id) FROM received_hour WHERE table_name = '%q' AND hour >= %s;", table,
        hourBefore(keepDays).getText());
    RowSet rows(database, sql.getText());
    if (!rows.next() || rows.getText(0) == nullptr)
        return std::numeric_limits<std::int64_t>::max();
    return std::strtoll(rows.getText(0), nullptr, 10);
}

void StationReceipts::forgetOlderThan(Database& database, const char* table, int keepDays)
{
    const FormatableSQL sql("DELETE FROM received_hour WHERE table_name = '%q' AND hour < %s;",
                            table, hourBefore(keepDays).getText());
    database.execute(sql.getText());
}

} // namespace corvane
