#include "base/FormatableBuffer.h"
#include "callback/CallbackInfo.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/EventLogger.h"
#include "data/GPSDataContainer.h"
#include "data/RowSet.h"
#include "data/Transaction.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/SampleEvent.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;
using test::waitFor;

using namespace std::chrono_literals;

std::string idText(const UniqueID& id)
{
    FormatableBuffer<64> text;
    id.toString(text);
    return text.getText();
}

// Rows of one query as texts, one string per row with columns joined by '|'
// and NULL written as "<null>".
int countOf(const std::string& path, const char* sql)
{
    return std::stoi(rowsOf(path, sql).at(0));
}

// Records the statements the manager's connection runs, from any thread, each
// with the values bound to it written in.
class StatementLog
{
public:
    ~StatementLog()
    {
        std::lock_guard lock(DBManager::getDatabaseMutex());
        if (m_db != nullptr && m_db->getHandle() != nullptr)
            sqlite3_trace_v2(m_db->getHandle(), 0, nullptr, nullptr);
    }
    void attach(Database& db)
    {
        std::lock_guard lock(DBManager::getDatabaseMutex());
        m_db = &db;
        sqlite3_trace_v2(db.getHandle(), SQLITE_TRACE_STMT, &StatementLog::collect, this);
    }
    std::vector<std::string> take()
    {
        std::lock_guard lock(m_mutex);
        return std::move(m_statements);
    }

private:
    static int collect(unsigned, void* self, void* statement, void*)
    {
        auto* log = static_cast<StatementLog*>(self);
        char* sql = sqlite3_expanded_sql(static_cast<sqlite3_stmt*>(statement));
        std::lock_guard lock(log->m_mutex);
        log->m_statements.emplace_back(sql != nullptr ? sql : "");
        sqlite3_free(sql);
        return 0;
    }

    Database* m_db = nullptr;
    std::mutex m_mutex;
    std::vector<std::string> m_statements;
};

class DBManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetContainers();
        manager().setBatchPeriod(DBManager::batchPeriodMs);
    }
    void TearDown() override
    {
        manager().close();
        manager().setBatchPeriod(DBManager::batchPeriodMs);
        resetContainers();
    }

    static void resetContainers() { VehicleInfoContainer::getInstance().clear(); }

    static DBManager& manager() { return DBManager::getInstance(); }

    void open() { manager().open(path, 5000); }

    static VehicleInfo* newVehicle(const char* name, const char* time = "2011-05-31 13:45:30")
    {
        auto& vehicles = VehicleInfoContainer::getInstance();
        auto record = VehicleInfoContainer::create(UniqueID(), name, time);
        VehicleInfo* kept = record.get();
        EXPECT_TRUE(vehicles.insert(std::move(record)));
        return kept;
    }

    static CallbackInfo event(const UniqueID& vehicle, const char* name, int type)
    {
        return test::sampleEvent(vehicle, name, "DVR", type);
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
};

const char* const schema[] = {
    "table|received_hour|CREATE TABLE received_hour (table_name TEXT NOT NULL, hour INTEGER NOT "
    "NULL, first_id INTEGER NOT NULL, PRIMARY KEY (table_name, hour))",
    "index|sqlite_autoindex_received_hour_1|<null>",
    "table|vehicle_heard|CREATE TABLE vehicle_heard (vehicle_id TEXT PRIMARY KEY, last_sample_id "
    "INTEGER NOT NULL)",
    "index|sqlite_autoindex_vehicle_heard_1|<null>",
    "table|event_info|CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,address "
    "TEXT,name TEXT,time DATETIME,event_type INTEGER,device_title TEXT, vehicle_id TEXT,foreign "
    "key(vehicle_id) references vehicle_info(id))",
    "table|sqlite_sequence|CREATE TABLE sqlite_sequence(name,seq)",
    "index|event_info_idx|CREATE UNIQUE INDEX event_info_idx ON event_info(id)",
    "table|vehicle_info|CREATE TABLE vehicle_info (id TEXT PRIMARY KEY,name TEXT,edited_name "
    "TEXT,last_updated_time DATETIME,last_updated_latitude TEXT,last_updated_longitude TEXT, "
    "deleted INTEGER, company TEXT, maker TEXT, model TEXT,registration TEXT, driver TEXT, "
    "license TEXT, info1 TEXT, info2 TEXT, image_path TEXT)",
    "index|sqlite_autoindex_vehicle_info_1|<null>",
    "index|vehicle_info_idx|CREATE UNIQUE INDEX vehicle_info_idx ON vehicle_info(id)",
    "table|gps_data|CREATE TABLE gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,gps_data "
    "TEXT,update_time DATETIME,vehicle_id TEXT,foreign key(vehicle_id) references "
    "vehicle_info(id))",
    "index|gps_data_idx|CREATE UNIQUE INDEX gps_data_idx ON gps_data(id)",
    "table|optional_info|CREATE TABLE optional_info (id INTEGER PRIMARY KEY "
    "AUTOINCREMENT,key_info TEXT NOT NULL, value_info TEXT NOT NULL DEFAULT '', vehicle_id "
    "TEXT, foreign key(vehicle_id) references vehicle_info(id))",
    "index|optional_info_idx|CREATE UNIQUE INDEX optional_info_idx ON optional_info(id)",
    "index|event_info_time_idx|CREATE INDEX event_info_time_idx ON event_info(time)",
    "index|event_info_vehicle_time_idx|CREATE INDEX event_info_vehicle_time_idx ON "
    "event_info(vehicle_id, time)",
    "table|gps_track|CREATE TABLE gps_track (vehicle_id TEXT NOT NULL, update_time DATETIME NOT "
    "NULL, id INTEGER NOT NULL, PRIMARY KEY (vehicle_id, update_time, id)) WITHOUT ROWID",
    "table|gps_track_through|CREATE TABLE gps_track_through (through INTEGER NOT NULL)",
    "table|zone|CREATE TABLE zone (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, "
    "geometry TEXT NOT NULL, speed_limit REAL, deleted INTEGER NOT NULL DEFAULT 0)",
    "table|zone_presence|CREATE TABLE zone_presence (vehicle_id TEXT NOT NULL, zone_id INTEGER "
    "NOT NULL, PRIMARY KEY (vehicle_id, zone_id))",
    "index|sqlite_autoindex_zone_presence_1|<null>",
    "table|alarm_ack|CREATE TABLE alarm_ack (event_id INTEGER PRIMARY KEY REFERENCES "
    "event_info(id), acknowledged DATETIME NOT NULL, operator TEXT NOT NULL, note TEXT NOT NULL "
    "DEFAULT '')",
};
// The last rows: the station's track, zone and acknowledgement tables.
constexpr std::size_t stationTableRows = 6;

TEST_F(DBManagerTest, SchemaIsCreatedInOrderOnceAndNotAgain)
{
    open();
    manager().close();
    const char* master = "SELECT type, name, sql FROM sqlite_master ORDER BY rowid;";
    const auto created = rowsOf(path, master);
    EXPECT_EQ(created, std::vector<std::string>(std::begin(schema), std::end(schema)));

    open();
    manager().close();
    EXPECT_EQ(rowsOf(path, master), created);
}

TEST_F(DBManagerTest, AnOlderFileGainsTheSearchIndexesAndKeepsItsTablesAndRows)
{
    // An older file has neither the station's receipt tables (the first
    // four rows) nor the search indexes (the two before the track tables)
    // nor the track, zone and acknowledgement tables.
    const std::size_t receipts = 4;
    const std::size_t tablesAndOwnIndexes = std::size(schema) - 2 - stationTableRows;
    {
        Database db;
        db.open(path.c_str(), 5000);
        for (std::size_t i = receipts; i < tablesAndOwnIndexes; ++i) {
            const std::string row = schema[i];
            const std::string sql = row.substr(row.rfind('|') + 1);
            if (sql != "<null>" && sql.find("sqlite_sequence") == std::string::npos)
                db.execute(sql.c_str());
        }
        db.execute("INSERT INTO event_info (name, time) VALUES ('old', '2011-05-31 13:45:30');");
    }
    open();
    manager().close();
    const auto rows = rowsOf(path, "SELECT type, name, sql FROM sqlite_master ORDER BY rowid;");
    std::vector<std::string> expected(std::begin(schema) + receipts,
                                      std::begin(schema) + tablesAndOwnIndexes);
    expected.insert(expected.end(), std::begin(schema), std::begin(schema) + receipts);
    expected.insert(expected.end(), std::begin(schema) + tablesAndOwnIndexes, std::end(schema));
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM event_info WHERE name = 'old';"), 1);
}

TEST_F(DBManagerTest, ViewNamedLikeATableCountsAsTheTable)
{
    {
        Database db;
        db.open(path.c_str(), 5000);
        db.execute("CREATE VIEW gps_data AS SELECT 1 AS id;");
    }
    open();
    manager().close();
    EXPECT_EQ(rowsOf(path, "SELECT type, name FROM sqlite_master WHERE name LIKE 'gps_data%';"),
              std::vector<std::string>{"view|gps_data"});
    EXPECT_EQ(countOf(path, "SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name IN "
                            "('event_info','vehicle_info','optional_info');"),
              3);
}

TEST_F(DBManagerTest, QueuedRecordsAreWrittenInOneTransactionInOrder)
{
    manager().setBatchPeriod(3600 * 1000); // only the last batch at close writes
    open();
    StatementLog log;
    log.attach(manager().getDatabase());

    {
        // Queued while the writer cannot begin a batch: whichever batch comes
        // next finds all three.
        std::lock_guard hold(DBManager::getDatabaseMutex());
        auto& vehicles = VehicleInfoContainer::getInstance();
        auto record = VehicleInfoContainer::create(UniqueID("0a1b2c3d-0000-4000-8000-000000000001"),
                                                   "Truck", "2011-05-31 13:45:30");
        VehicleInfo* truck = record.get();
        ASSERT_TRUE(vehicles.insert(std::move(record)));
        ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", truck->id,
                                                        "$GPRMC,134531,A"));
        truck->last_updated_latitude = "37.500000";
        ASSERT_TRUE(vehicles.update(*truck));
    }
    manager().close();

    auto statements = log.take();
    const std::vector<std::string> expected = {
        "BEGIN;",
        "INSERT OR IGNORE INTO received_hour (table_name, hour, first_id) SELECT 'gps_data', "
        "(CAST(strftime('%s', 'now') AS INTEGER) / 3600), COALESCE(MAX(id), 0) + 1 FROM gps_data;",
        "INSERT OR IGNORE INTO received_hour (table_name, hour, first_id) SELECT 'event_info', "
        "(CAST(strftime('%s', 'now') AS INTEGER) / 3600), COALESCE(MAX(id), 0) + 1 FROM "
        "event_info;",
        "INSERT INTO vehicle_info (id, name, edited_name, "
        "last_updated_time,last_updated_latitude,last_updated_longitude, deleted, company, maker, "
        "model, registration, driver, license, info1, info2, image_path)VALUES "
        "('0a1b2c3d-0000-4000-8000-000000000001', 'Truck', '', DATETIME('2011-05-31 13:45:30'), "
        "'', '', 0, '', '', '', '', '', '', '', '', '');",
        "INSERT INTO gps_data (gps_data, update_time, vehicle_id)VALUES ('$GPRMC,134531,A', "
        "DATETIME('2011-05-31 13:45:31'), '0a1b2c3d-0000-4000-8000-000000000001');",
        "UPDATE vehicle_info set name='Truck', edited_name='',last_updated_time=DATETIME('2011-05-"
        "31 13:45:30'), last_updated_latitude='37.500000',last_updated_longitude='', deleted=0, "
        "company='', maker='', model='', registration='', driver='', license='', info1='', "
        "info2='', image_path='' where id = '0a1b2c3d-0000-4000-8000-000000000001';",
        // The station's own note of whom it heard from last.
        "INSERT OR REPLACE INTO vehicle_heard (vehicle_id, last_sample_id) VALUES "
        "('0a1b2c3d-0000-4000-8000-000000000001', 1);",
        "COMMIT;",
    };
    // The writer may have run empty batches before; the records form one.
    const auto first = std::find(statements.begin(), statements.end(), expected[1]);
    ASSERT_NE(first, statements.end());
    ASSERT_NE(first, statements.begin());
    ASSERT_GE(statements.end() - first, 7);
    EXPECT_EQ(std::vector<std::string>(first - 1, first + 7), expected);
}

TEST_F(DBManagerTest, TextsAreStoredExactlyAndUnreadableTimesAsNull)
{
    open();
    VehicleInfo* truck = newVehicle("O'Neil's 50%off", "31/05/2011 13:45:30");
    truck->company = std::string(3000, 'c') + "'%s%d%%";
    truck->image_path = "/pictures/" + std::string(2000, 'p') + "/it's 100%.png";
    ASSERT_TRUE(VehicleInfoContainer::getInstance().update(*truck));
    ASSERT_TRUE(EventLogger::getInstance().add(event(truck->id, "50%off", 5)));
    CallbackInfo quoted = event(truck->id, "it's", 6);
    quoted.setAddress("'; DROP TABLE event_info; --");
    ASSERT_TRUE(EventLogger::getInstance().add(quoted));
    ASSERT_TRUE(GPSDataContainer::getInstance().add("garbage", truck->id, "$GPRMC,%n%s'"));
    manager().close();

    const auto vehicle =
        rowsOf(path, "SELECT name, last_updated_time, company, image_path FROM vehicle_info;");
    ASSERT_EQ(vehicle.size(), 1u);
    EXPECT_EQ(vehicle[0], "O'Neil's 50%off|<null>|" + truck->company + "|" + truck->image_path);
    EXPECT_EQ(
        rowsOf(path, "SELECT address, name, time, event_type, device_title, vehicle_id "
                     "FROM event_info ORDER BY id;"),
        (std::vector<std::string>{"10.1.2.3|50%off|2011-05-31 13:45:30|5|DVR|" + idText(truck->id),
                                  "'; DROP TABLE event_info; --|it's|2011-05-31 13:45:30|6|DVR|" +
                                      idText(truck->id)}));
    EXPECT_EQ(rowsOf(path, "SELECT gps_data, update_time FROM gps_data;"),
              std::vector<std::string>{"$GPRMC,%n%s'|<null>"});
}

TEST_F(DBManagerTest, FailingRecordIsSkippedAndTheRestOfTheBatchCommitted)
{
    manager().setBatchPeriod(3600 * 1000);
    open();
    VehicleInfo* truck = newVehicle("Truck");
    // A second insert of the same identifier: the primary key refuses it.
    VehicleInfo twin = *truck;
    twin.name = "Twin";
    ASSERT_TRUE(manager().enqueue(twin));
    ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", truck->id, "after"));
    manager().requestBatch();
    ASSERT_TRUE(waitFor([&] { return countOf(path, "SELECT COUNT(*) FROM gps_data;") == 1; }));

    // The writer released the mutex and left no transaction open.
    std::thread other([] {
        std::unique_lock lock(DBManager::getDatabaseMutex(), std::try_to_lock);
        EXPECT_TRUE(waitFor([&] { return lock.owns_lock() || lock.try_lock(); }));
    });
    other.join();
    {
        std::lock_guard lock(DBManager::getDatabaseMutex());
        EXPECT_FALSE(manager().getDatabase().inTransaction());
    }
    EXPECT_EQ(rowsOf(path, "SELECT name FROM vehicle_info;"), std::vector<std::string>{"Truck"});
}

TEST_F(DBManagerTest, FileLockedBeyondTheBusyTimeOutDelaysTheBatchButLosesNothing)
{
    manager().setBatchPeriod(3600 * 1000);
    manager().open(path, 50);
    StatementLog log;
    log.attach(manager().getDatabase());
    Database other;
    // The writer may hold the file for a moment at start; the other program
    // waits for that like any SQLite client, then keeps the write lock.
    other.open(path.c_str(), 5000);
    other.execute("BEGIN IMMEDIATE;");

    const UniqueID vehicle;
    for (const char* sentence : {"a", "b", "c"})
        ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", vehicle, sentence));
    manager().requestBatch();
    ASSERT_TRUE(waitFor([&] {
        const auto statements = log.take();
        return std::find(statements.begin(), statements.end(), "ROLLBACK;") != statements.end();
    }));
    other.execute("COMMIT;");

    manager().requestBatch();
    ASSERT_TRUE(waitFor([&] { return countOf(path, "SELECT COUNT(*) FROM gps_data;") == 3; }));
    manager().close();
    EXPECT_EQ(rowsOf(path, "SELECT gps_data FROM gps_data ORDER BY id;"),
              (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(DBManagerTest, CloseWritesWhatIsQueuedAndThenRefuses)
{
    manager().setBatchPeriod(3600 * 1000); // close must wake the writer
    open();
    VehicleInfo* truck = newVehicle("Truck");
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", truck->id, "s"));
    manager().close();
    EXPECT_EQ(countOf(path, "SELECT COUNT(*) FROM gps_data;"), 3);

    EXPECT_FALSE(manager().enqueue(*truck));
    EXPECT_FALSE(VehicleInfoContainer::getInstance().update(*truck));
    EXPECT_FALSE(GPSDataContainer::getInstance().add("t", truck->id, "s"));
    EXPECT_FALSE(EventLogger::getInstance().add(event(truck->id, "late", 1)));
}

TEST_F(DBManagerTest, BatchSizedQueueStartsTheBatchEarly)
{
    manager().setBatchPeriod(3600 * 1000);
    open();
    // The writer runs a batch as it starts; one that ran during the puts
    // below would take part of them. Once it has written a probe on request,
    // it sleeps for the hour unless a batch's worth wakes it.
    newVehicle("Probe");
    manager().requestBatch();
    ASSERT_TRUE(waitFor([&] { return countOf(path, "SELECT COUNT(*) FROM vehicle_info;") == 1; }));
    const UniqueID vehicle;
    // Exactly one batch's worth: the last put wakes the writer, which finds all.
    for (int i = 0; i < DBManager::batchMessages; ++i)
        ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", vehicle, "s"));
    EXPECT_TRUE(waitFor([&] {
        return countOf(path, "SELECT COUNT(*) FROM gps_data;") == DBManager::batchMessages;
    }));
}

TEST_F(DBManagerTest, RecordLongerThanTheWritersBufferIsRefusedNotCut)
{
    open();
    VehicleInfo* truck = newVehicle("Truck");
    const std::string stored = truck->image_path;
    truck->image_path.assign(2 * DBManager::batchBytes, 'p');
    EXPECT_FALSE(VehicleInfoContainer::getInstance().update(*truck));
    truck->image_path = stored;
    truck->info1 = "after";
    EXPECT_TRUE(VehicleInfoContainer::getInstance().update(*truck));
    manager().close();
    EXPECT_EQ(rowsOf(path, "SELECT info1, image_path FROM vehicle_info;"),
              (std::vector<std::string>{"after|" + stored}));
}

TEST_F(DBManagerTest, FullQueueRefusesWithoutWaitingAndLosesNothingTaken)
{
    open();
    VehicleInfo* truck;
    int taken = 0;
    {
        // Holding the database mutex keeps the writer from draining the queue.
        std::lock_guard hold(DBManager::getDatabaseMutex());
        truck = newVehicle("Truck");
        taken = 1;
        while (GPSDataContainer::getInstance().add("2011-05-31 13:45:31", truck->id, "s"))
            ++taken;
        EXPECT_EQ(taken, DBManager::queueMessages);
        EXPECT_FALSE(EventLogger::getInstance().add(event(truck->id, "dropped", 1)));
        // A vehicle refused by the full queue is still kept in memory.
        auto late = VehicleInfoContainer::create(UniqueID(), "Late", "2011-05-31 13:45:32");
        const UniqueID lateId = late->id;
        EXPECT_FALSE(VehicleInfoContainer::getInstance().insert(std::move(late)));
        ASSERT_NE(VehicleInfoContainer::getInstance().find(lateId), nullptr);
        truck = VehicleInfoContainer::getInstance().find(lateId);
    }
    // ...and stored by its next update, which finds no row to change.
    ASSERT_TRUE(waitFor([&] { return VehicleInfoContainer::getInstance().update(*truck); }));
    manager().close();
    EXPECT_EQ(countOf(path, "SELECT COUNT(*) FROM gps_data;"), DBManager::queueMessages - 1);
    EXPECT_EQ(countOf(path, "SELECT COUNT(*) FROM event_info;"), 0);
    EXPECT_EQ(rowsOf(path, "SELECT name FROM vehicle_info ORDER BY name;"),
              (std::vector<std::string>{"Late", "Truck"}));
}

TEST_F(DBManagerTest, StoredEventsAndSamplesAreReadBackAsTheyCame)
{
    open();
    VehicleInfo* truck = newVehicle("Truck");
    VehicleInfo* bus = newVehicle("Bus");
    CallbackInfo may = event(truck->id, "May", 1);
    CallbackInfo june = event(bus->id, "June", 2);
    june.setTime(DateTime(2011, 6, 1, 0, 0, 0, 0));
    ASSERT_TRUE(EventLogger::getInstance().add(may));
    ASSERT_TRUE(EventLogger::getInstance().add(june));
    ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", truck->id, "t1"));
    ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:32", bus->id, "b1"));
    ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:33", truck->id, "t2"));
    const UniqueID truckId = truck->id;
    manager().close();
    open(); // reloads the vehicles: the records held above are gone

    // The event log's road: a count, then one page of what it counted.
    const char* inMay = "time between '2011-05-01 00:00:00' AND '2011-05-31 23:59:59'";
    EXPECT_EQ(manager().countEvents(nullptr), 2u);
    ASSERT_EQ(manager().countEvents(inMay), 1u);
    std::vector<std::string> seen;
    manager().forEachEventPage(inMay, 1, 0, 1, [&](const EventLog& e, const auto&) {
        seen.push_back(std::string(e.name) + "|" + std::to_string(e.id) + "|" +
                       (e.vehicle_id.equals(truckId) ? "truck" : "other"));
    });
    EXPECT_EQ(seen, std::vector<std::string>{"May|1|truck"});
    EXPECT_THROW(manager().countEvents("no_such_column = 1"), DatabaseException);

    // Each sample under its own vehicle, in the order it came, with its time.
    const std::string truckSamples =
        "SELECT gps_data, update_time FROM gps_data WHERE vehicle_id='" + idText(truckId) +
        "' ORDER BY id;";
    EXPECT_EQ(rowsOf(path, truckSamples.c_str()),
              (std::vector<std::string>{"t1|2011-05-31 13:45:31", "t2|2011-05-31 13:45:33"}));
}

TEST_F(DBManagerTest, OpenLoadsTheStoredVehicles)
{
    open();
    VehicleInfo* truck = newVehicle("Truck");
    truck->deleted = true;
    truck->edited_name = "Red truck";
    ASSERT_TRUE(VehicleInfoContainer::getInstance().update(*truck));
    const UniqueID id = truck->id;
    manager().close();
    resetContainers();

    open();
    auto& vehicles = VehicleInfoContainer::getInstance();
    std::lock_guard lock(vehicles.getMutex());
    ASSERT_EQ(vehicles.getMap().size(), 1u);
    const VehicleInfo* loaded = vehicles.find(id);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->displayName(), "Red truck");
    EXPECT_TRUE(loaded->deleted);
    EXPECT_EQ(loaded->last_updated_time, "2011-05-31 13:45:30");
    EXPECT_EQ(vehicles.find(UniqueID()), nullptr);
}

TEST_F(DBManagerTest, ContainerKeepsTheFirstRecordOfAnIdentifier)
{
    open();
    VehicleInfo* truck = newVehicle("Truck");
    auto again = VehicleInfoContainer::create(truck->id, "Again", "2011-05-31 13:45:30");
    VehicleInfoContainer::getInstance().insert(std::move(again));
    EXPECT_EQ(VehicleInfoContainer::getInstance().find(truck->id)->name, "Truck");

    // An update of an unknown identifier queues but leaves the map alone.
    VehicleInfo stranger(UniqueID{});
    EXPECT_TRUE(VehicleInfoContainer::getInstance().update(stranger));
    EXPECT_EQ(VehicleInfoContainer::getInstance().find(stranger.id), nullptr);
    EXPECT_EQ(VehicleInfoContainer::getInstance().getMap().size(), 1u);
}

TEST_F(DBManagerTest, OpenOfAMissingFolderRaisesAndStartsNoWriter)
{
    EXPECT_THROW(manager().open(folder.file("missing/app.db"), 5000), DatabaseException);
    EXPECT_FALSE(manager().isRunning());
}

// A station killed in the middle of its batches leaves a sound file holding
// every batch that committed, each whole.
// The file's mode bits, or -1 when it does not exist.
int modeOf(const std::string& file)
{
    struct stat info = {};
    return ::stat(file.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

// New or old (written in the rollback journal, perhaps open to the group),
// app.db is written through the log, keeps its rows, and the log's files are
// no more open than the database.
TEST_F(DBManagerTest, TheFileIsWrittenThroughTheLogWhoseFilesAreNoMoreOpenThanIt)
{
    struct Case
    {
        const char* label;
        int oldMode; // 0: no file before the open
        int rowsBefore;
    };
    const Case cases[] = {
        {"new file", 0, 0},
        {"file in the rollback journal", 0600, 3},
        {"file open to its group", 0640, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(path);
        if (c.oldMode != 0) {
            Database old;
            old.open(path.c_str(), 5000);
            old.execute("PRAGMA journal_mode = DELETE; CREATE TABLE gps_data (id INTEGER PRIMARY "
                        "KEY AUTOINCREMENT,gps_data TEXT,update_time DATETIME,vehicle_id TEXT);");
            for (int i = 0; i < c.rowsBefore; ++i)
                old.execute("INSERT INTO gps_data (gps_data) VALUES ('old');");
            old.close();
            ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(c.oldMode)), 0);
        }
        open();
        ASSERT_TRUE(GPSDataContainer::getInstance().add("2011-05-31 13:45:31", UniqueID(), "new"));
        ASSERT_TRUE(waitFor(
            [&] { return countOf(path, "SELECT count(*) FROM gps_data;") == c.rowsBefore + 1; }));
        EXPECT_EQ(rowsOf(path, "PRAGMA journal_mode;"), std::vector<std::string>{"wal"});
        const int mode = modeOf(path);
        EXPECT_EQ(mode, c.oldMode != 0 ? c.oldMode : 0600);
        for (const char* suffix : {"-wal", "-shm"}) {
            const int logMode = modeOf(path + suffix);
            ASSERT_NE(logMode, -1) << suffix;
            EXPECT_EQ(logMode & ~mode, 0) << suffix << " " << std::oct << logMode;
        }
        manager().close();
        resetContainers();
    }
}

// The event log's reads and another program's read transaction, however long
// they last, do not keep the writer from committing.
TEST_F(DBManagerTest, NoReaderHoldsTheWriterBack)
{
    manager().setBatchPeriod(20);
    open();
    const long failedBefore = manager().failedBatchCount();
    const UniqueID vehicle;
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(EventLogger::getInstance().add(event(vehicle, "Event", 1)));
    ASSERT_TRUE(waitFor([&] { return countOf(path, "SELECT count(*) FROM event_info;") == 30; }));

    int written = 0;
    // Queues a sample and says whether it was committed while the caller reads.
    const auto writtenMeanwhile = [&] {
        const std::string sentence = "while read " + std::to_string(++written);
        EXPECT_TRUE(
            GPSDataContainer::getInstance().add("2011-05-31 13:45:31", vehicle, sentence.c_str()));
        return waitFor([&] { return countOf(path, "SELECT count(*) FROM gps_data;") == written; },
                       10s);
    };
    struct Road
    {
        const char* label;
        std::function<bool()> readWhileWriting; // true when the writer committed meanwhile
    };
    const Road roads[] = {
        {"a page of the event log, or the CSV export of every event",
         [&] {
             const std::size_t total = manager().countEvents(nullptr);
             EXPECT_EQ(total, 30u);
             bool committed = true;
             std::size_t visited = 0;
             manager().forEachEventPage(
                 nullptr, total, 0, total, [&](const EventLog&, const auto&) {
                     committed = (++visited % 10 != 1 || writtenMeanwhile()) && committed;
                 });
             EXPECT_EQ(visited, total);
             return committed;
         }},
        {"a search of the event log",
         [&] {
             const char* condition = "time between '2011-05-01 00:00:00' AND '2011-05-31 23:59:59'";
             const std::size_t total = manager().countEvents(condition);
             bool committed = false;
             manager().forEachEventPage(
                 condition, total, total - 1, 1,
                 [&](const EventLog&, const auto&) { committed = writtenMeanwhile(); });
             return committed;
         }},
        {"another connection's read transaction",
         [&] {
             Database other;
             other.open(path.c_str(), 5000);
             Transaction read(other);
             RowSet rows(other, "SELECT count(*) FROM gps_data;");
             EXPECT_TRUE(rows.next());
             const int before = rows.getInt(0);
             const bool committed = writtenMeanwhile();
             // Still the snapshot it began with.
             rows.query("SELECT count(*) FROM gps_data;");
             EXPECT_TRUE(rows.next());
             EXPECT_EQ(rows.getInt(0), before);
             return committed;
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.label);
        EXPECT_TRUE(road.readWhileWriting());
    }
    EXPECT_EQ(manager().failedBatchCount(), failedBefore);
}

// The writing side of the kill test. It runs in a process of its own, started
// afresh from this binary: a fork of the test process would copy locks that
// other threads (or the sanitizer's allocator) held at that moment, and the
// child could hang on one for ever.
[[noreturn]] void writeUntilKilled(const std::string& path, int report)
{
    DBManager& db = DBManager::getInstance();
    db.setBatchPeriod(20);
    db.open(path, 5000);
    const UniqueID vehicle;
    Database reader;
    reader.open(path.c_str(), 5000);
    for (int sequence = 0;; ++sequence) {
        const std::string sentence = std::to_string(sequence);
        while (
            !GPSDataContainer::getInstance().add("2011-05-31 13:45:31", vehicle, sentence.c_str()))
            std::this_thread::yield();
        if (sequence % 500 == 499) {
            RowSet rows(reader, "SELECT COUNT(*) FROM gps_data;");
            rows.next();
            const int committed = rows.getInt(0);
            if (::write(report, &committed, sizeof committed) != sizeof committed)
                ::_exit(2);
        }
    }
}

constexpr const char* killChildDatabase = "CORVANE_KILL_TEST_DATABASE";
constexpr const char* killChildReport = "CORVANE_KILL_TEST_REPORT";

TEST_F(DBManagerTest, KillDuringBatchesLeavesEveryCommittedBatch)
{
    if (const char* childPath = std::getenv(killChildDatabase))
        writeUntilKilled(childPath, std::atoi(std::getenv(killChildReport)));

    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter =
        "--gtest_filter=DBManagerTest.KillDuringBatchesLeavesEveryCommittedBatch";
    // Everything the child needs is built before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.emplace_back(*entry);
    environment.push_back(std::string(killChildDatabase) + "=" + path);
    environment.push_back(std::string(killChildReport) + "=" + std::to_string(report[1]));
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(self.c_str()), const_cast<char*>(filter.c_str()),
                            nullptr};
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        ::execve(self.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(report[1]);
    int committed = 0;
    int reports = 0;
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (reports < 8) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{report[0], POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        if (::read(report[0], &committed, sizeof committed) != sizeof committed)
            break;
        ++reports;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(report[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writing child ended on its own";
    ASSERT_EQ(reports, 8) << "the writing child stopped reporting";

    EXPECT_EQ(rowsOf(path, "PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
    const auto stored = rowsOf(path, "SELECT gps_data FROM gps_data ORDER BY id;");
    EXPECT_GE(static_cast<int>(stored.size()), committed);
    // Batches are whole and in order: the samples are 0, 1, 2, ... without a gap.
    for (std::size_t i = 0; i < stored.size(); ++i)
        ASSERT_EQ(stored[i], std::to_string(i));
}

} // namespace
} // namespace corvane
