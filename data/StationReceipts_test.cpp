// Retention and the start-up order go by when the station received a row,
// through real files written by the real writer: recorders' clocks in 2099
// or 1971 change neither.

#include "data/DBManager.h"
#include "data/Database.h"
#include "data/EventLog.h"
#include "data/GPSData.h"
#include "data/RowSet.h"
#include "data/VehicleInfo.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

long long countOf(const std::string& path, const std::string& sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    RowSet rows(db, sql.c_str());
    return rows.next() && rows.getText(0) != nullptr ? std::stoll(rows.getText(0)) : -1;
}

std::vector<std::string> column(const std::string& path, const std::string& sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    RowSet rows(db, sql.c_str());
    std::vector<std::string> values;
    while (rows.next())
        values.emplace_back(rows.getText(0) != nullptr ? rows.getText(0) : "<null>");
    return values;
}

void execute(const std::string& path, const std::string& sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    db.execute(sql.c_str());
}

class StationReceiptsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearContainers();
        manager().setBatchPeriod(50);
    }
    void TearDown() override
    {
        manager().close();
        manager().setKeepDays(0);
        manager().setBatchPeriod(DBManager::batchPeriodMs);
        clearContainers();
    }
    static void clearContainers() { VehicleInfoContainer::getInstance().clear(); }
    static DBManager& manager() { return DBManager::getInstance(); }

    // One sample and one event dated `time`, named `tag`.
    void store(const UniqueID& vehicle, const std::string& tag, const std::string& time)
    {
        GPSData sample(tag.c_str(), vehicle);
        sample.setUpdateTime(time.c_str());
        ASSERT_TRUE(manager().enqueue(sample));
        EventLog event;
        event.setName(tag.c_str());
        event.setTime(time.c_str());
        event.vehicle_id = vehicle;
        ASSERT_TRUE(manager().enqueue(event));
    }
    // Waits until both tables hold `rows` rows.
    bool stored(long long rows)
    {
        return test::waitFor([&] {
            return countOf(path, "SELECT count(*) FROM gps_data;") == rows &&
                   countOf(path, "SELECT count(*) FROM event_info;") == rows;
        });
    }
    // What the station received so far, as if it had come `days` days ago.
    void ageReceipts(int days)
    {
        execute(path, "UPDATE received_hour SET hour = hour - " + std::to_string(days * 24) + ";");
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
};

TEST_F(StationReceiptsTest, RetentionGoesByReceiptNotByTheRecordersClocks)
{
    const UniqueID vehicle;
    manager().open(path, 5000);
    // Received five days ago: one recorder's clock in 2099 first, then 200
    // reports of a recorder whose clock is right.
    store(vehicle, "future", "2099-12-31 23:59:59");
    for (int i = 0; i < 200; ++i)
        store(vehicle, "old", "2026-01-01 00:00:00");
    ASSERT_TRUE(stored(201));
    manager().close();
    ageReceipts(5);

    manager().open(path, 5000);
    // Received now from a recorder whose clock fell back to 1971.
    store(vehicle, "past", "1971-01-01 00:00:00");
    ASSERT_TRUE(stored(202));
    manager().setKeepDays(1);
    ASSERT_TRUE(stored(1)) << countOf(path, "SELECT count(*) FROM gps_data;");
    EXPECT_EQ(column(path, "SELECT gps_data FROM gps_data;"), std::vector<std::string>{"past"});
    EXPECT_EQ(column(path, "SELECT name FROM event_info;"), std::vector<std::string>{"past"});
    // The stored texts stay as they came.
    EXPECT_EQ(column(path, "SELECT update_time FROM gps_data;"),
              std::vector<std::string>{"1971-01-01 00:00:00"});
    // The hours of the deleted rows are forgotten; today's stays.
    EXPECT_EQ(countOf(path, "SELECT count(*) FROM received_hour WHERE hour < CAST(strftime('%s', "
                            "'now', '-1 days') AS INTEGER) / 3600;"),
              0);
    EXPECT_EQ(countOf(path, "SELECT count(DISTINCT table_name) FROM received_hour;"), 2);

    // Rows received after the round go on being kept.
    store(vehicle, "later", "1970-01-01 00:00:01");
    ASSERT_TRUE(stored(2));
}

TEST_F(StationReceiptsTest, RowsStoredBeforeReceiptsCountAsReceivedAtTheFirstOpen)
{
    const UniqueID vehicle;
    manager().open(path, 5000);
    for (int i = 0; i < 50; ++i)
        store(vehicle, "old", "2026-01-01 00:00:00");
    ASSERT_TRUE(stored(50));
    manager().close();
    // As a file of an earlier station: its rows, no receipts.
    execute(path, "DROP TABLE received_hour; DROP TABLE vehicle_heard;");

    manager().setKeepDays(1);
    manager().open(path, 5000);
    store(vehicle, "new", "2026-01-01 00:00:00");
    ASSERT_TRUE(stored(51));
    // A sweep follows every batch on the writer's thread, so once the next
    // row is in, one has run after the first: it took none of them.
    store(vehicle, "new", "2026-01-01 00:00:00");
    ASSERT_TRUE(stored(52));
    EXPECT_EQ(column(path, "SELECT first_id FROM received_hour WHERE table_name = 'gps_data' "
                           "ORDER BY hour LIMIT 1;"),
              std::vector<std::string>{"1"});
    manager().close();

    // A day and a little after that open, they go, and the newer ones with them.
    ageReceipts(2);
    manager().open(path, 5000);
    ASSERT_TRUE(stored(0));
}

TEST_F(StationReceiptsTest, TheVehicleHeardFromLastLoadsWithTheHighestOrder)
{
    const UniqueID ahead, behind, quiet, never;
    manager().open(path, 5000);
    for (const UniqueID* id : {&ahead, &behind, &quiet, &never}) {
        auto vehicle = VehicleInfoContainer::create(*id, "v", "2011-05-31 13:45:30");
        ASSERT_TRUE(VehicleInfoContainer::getInstance().insert(std::move(vehicle)));
    }
    // Heard in this order: quiet, ahead (its clock in 2099), behind (1971).
    store(quiet, "q", "2026-01-01 00:00:00");
    store(ahead, "a", "2099-12-31 23:59:59");
    ASSERT_TRUE(stored(2));
    store(behind, "b", "1971-01-01 00:00:00");
    store(behind, "b", "1971-01-01 00:00:01");
    ASSERT_TRUE(stored(4));
    manager().close();
    VehicleInfoContainer::getInstance().clear();

    manager().open(path, 5000);
    auto heard = [](const UniqueID& id) {
        std::lock_guard lock(VehicleInfoContainer::getInstance().getMutex());
        const VehicleInfo* vehicle = VehicleInfoContainer::getInstance().find(id);
        return vehicle != nullptr ? vehicle->heard : -1;
    };
    EXPECT_GT(heard(behind), heard(ahead));
    EXPECT_GT(heard(ahead), heard(quiet));
    EXPECT_GT(heard(quiet), 0);
    EXPECT_EQ(heard(never), 0);
    // The order is the newest sample's id: the second sample of `behind`.
    EXPECT_EQ(heard(behind), countOf(path, "SELECT max(id) FROM gps_data;"));
}

} // namespace
} // namespace corvane
