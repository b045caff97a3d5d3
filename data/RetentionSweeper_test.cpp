#include "data/DBManager.h"
#include "data/Database.h"
#include "data/GPSData.h"
#include "data/RetentionSweeper.h"
#include "data/RowSet.h"
#include "data/StationReceipts.h"
#include "data/TrackIndex.h"
#include "data/Transaction.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TempFolder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace corvane {
namespace {

using namespace std::chrono_literals;

long long countOf(Database& db, const std::string& sql)
{
    RowSet rows(db, sql.c_str());
    return rows.next() ? std::stoll(rows.getText(0)) : -1;
}

// Rows of three ages per vehicle and table, stored in this order: received
// 30 days ago, 2 days ago, and now, the last with a time SQLite could not
// read (NULL). The station's receipts say when each group came.
void fill(Database& db, int vehicles, int perAge)
{
    StationReceipts::ensureTables(db);
    TrackIndex::ensureTables(db);
    db.execute("DELETE FROM received_hour;");
    db.execute("CREATE TABLE IF NOT EXISTS event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,"
               "address TEXT,name TEXT,time DATETIME,event_type INTEGER,device_title TEXT, "
               "vehicle_id TEXT);"
               "CREATE TABLE IF NOT EXISTS gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,"
               "gps_data TEXT,update_time DATETIME,vehicle_id TEXT);"
               "CREATE INDEX IF NOT EXISTS event_info_time_idx ON event_info(time);"
               "CREATE INDEX IF NOT EXISTS gps_data_vehicle_time_idx ON "
               "gps_data(vehicle_id, update_time);");
    Transaction transaction(db);
    const char* const ages[] = {"DATETIME('now', '-30 days')", "DATETIME('now', '-2 days')",
                                "NULL"};
    const char* const received[] = {"'now', '-30 days'", "'now', '-2 days'", "'now'"};
    // In time order, as a station stores them; the unreadable ones last.
    for (int group = 0; group < 3; ++group) {
        const char* age = ages[group];
        for (const char* table : {"gps_data", "event_info"})
            db.execute(("INSERT INTO received_hour SELECT '" + std::string(table) +
                        "', CAST(strftime('%s', " + received[group] +
                        ") AS INTEGER) / 3600, COALESCE(MAX(id), 0) + 1 FROM " + table + ";")
                           .c_str());
        for (int v = 0; v < vehicles; ++v) {
            for (int i = 0; i < perAge; ++i) {
                const std::string vehicle = "'vehicle-" + std::to_string(v) + "'";
                db.execute(("INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                            "('$GPRMC', " +
                            std::string(age) + ", " + vehicle + ");")
                               .c_str());
                db.execute(("INSERT INTO event_info (name, time, vehicle_id) VALUES ('x', " +
                            std::string(age) + ", " + vehicle + ");")
                               .c_str());
            }
        }
    }
    transaction.commit();
}

const char* const oldRows[] = {
    "SELECT count(*) FROM gps_data WHERE update_time < DATETIME('now', '-7 days');",
    "SELECT count(*) FROM event_info WHERE time < DATETIME('now', '-7 days');",
};
const char* const keptRows[] = {
    "SELECT count(*) FROM gps_data WHERE update_time >= DATETIME('now', '-7 days') OR "
    "update_time IS NULL;",
    "SELECT count(*) FROM event_info WHERE time >= DATETIME('now', '-7 days') OR time IS NULL;",
};

TEST(RetentionSweeper, DeletesOnlyOlderRowsInPiecesOfTheGivenSizeWithinTheBudget)
{
    struct Case
    {
        int keepDays;
        std::chrono::microseconds budget;
        long long oldLeft; // per table, after the sweep
        int maxPerCall;    // rows one call may delete
    };
    // 0 keeps everything; 40 days finds nothing older; 7 days takes the old,
    // a piece per call without a budget, all in one call with a long one.
    const Case cases[] = {
        {0, 0us, 5 * 23, 0}, {40, 0us, 5 * 23, 0}, {7, 0us, 0, 7}, {7, 60s, 0, 2 * 5 * 23}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keepDays);
        TempFolder folder;
        Database db;
        db.open(folder.file("app.db").c_str(), 5000);
        fill(db, 5, 23);
        TrackIndex(db).catchUp();
        RetentionSweeper sweeper(db);
        int calls = 0;
        int deleted = 0;
        for (int n; (n = sweeper.sweep(c.keepDays, 7, c.budget)) > 0; ++calls) {
            EXPECT_LE(n, c.maxPerCall);
            deleted += n;
            ASSERT_LT(calls, 1000);
        }
        EXPECT_EQ(deleted, 2 * 5 * 23 - 2 * c.oldLeft);
        for (const char* sql : oldRows)
            EXPECT_EQ(countOf(db, sql), c.oldLeft) << sql;
        for (const char* sql : keptRows)
            EXPECT_EQ(countOf(db, sql), 2 * 5 * 23) << sql;
        // A sample's place in its track goes with it.
        EXPECT_EQ(countOf(db, "SELECT count(*) FROM gps_track;"),
                  countOf(db, "SELECT count(*) FROM gps_data WHERE update_time NOT NULL;"));
    }
}

TEST(RetentionSweeper, TheWriterSweepsBetweenBatchesAndStillWritesEveryRecord)
{
    TempFolder folder;
    const std::string path = folder.file("app.db");
    {
        Database db;
        db.open(path.c_str(), 5000);
        fill(db, 20, 100);
    }
    DBManager& manager = DBManager::getInstance();
    manager.setBatchPeriod(50);
    manager.open(path, 5000);
    manager.setKeepDays(7);
    const UniqueID vehicle;
    for (int i = 0; i < 3000; ++i) {
        GPSData sample("$GPRMC", vehicle);
        sample.setUpdateTime("2099-01-01 00:00:00");
        ASSERT_TRUE(manager.enqueue(sample));
    }
    Database check;
    check.open(path.c_str(), 5000);
    ASSERT_TRUE(test::waitFor([&] {
        return countOf(check, oldRows[0]) + countOf(check, oldRows[1]) == 0 &&
               countOf(check, "SELECT count(*) FROM gps_data WHERE update_time > '2098';") >= 3000;
    }));
    // The event count kept across the deletions equals a fresh one.
    EXPECT_EQ(static_cast<long long>(manager.countEvents(nullptr)),
              countOf(check, "SELECT count(*) FROM event_info;"));
    manager.close();
    manager.setKeepDays(0);
    manager.setBatchPeriod(DBManager::batchPeriodMs);
    for (const char* sql : keptRows)
        EXPECT_GE(countOf(check, sql), 2 * 20 * 100) << sql;
    VehicleInfoContainer::getInstance().clear();
}

} // namespace
} // namespace corvane
