#include "data/AlarmAck.h"
#include "data/AlarmDesk.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/EventLog.h"
#include "data/RetentionSweeper.h"
#include "data/StationReceipts.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;
using test::waitFor;

constexpr int panic = 13;
constexpr int overspeed = 1002;

class AlarmDeskTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        manager().close();
        manager().setAlarmKinds({});
        VehicleInfoContainer::getInstance().clear();
    }
    static DBManager& manager() { return DBManager::getInstance(); }

    static void store(const UniqueID& vehicle, int type, const char* title)
    {
        EventLog e;
        e.event_type = type;
        e.vehicle_id = vehicle;
        e.setName("n");
        e.setTime("2011-05-31 13:45:30");
        e.setDeviceTitle(title);
        ASSERT_TRUE(manager().enqueue(e));
    }
    static void acknowledge(std::int64_t id, const char* note, const UniqueID* vehicle = nullptr)
    {
        AlarmAck ack;
        ack.event_id = id;
        ack.wholeVehicle = vehicle != nullptr;
        if (vehicle != nullptr)
            ack.vehicle_id = *vehicle;
        ack.acknowledged = "2026-12-10 11:00:00";
        ack.setOperator("alice");
        ack.setNote(note);
        ASSERT_TRUE(manager().enqueue(ack));
    }
    // The open alarms' ids, newest first, once the writer has committed total of them.
    static std::vector<std::int64_t> openIds(std::size_t total)
    {
        EXPECT_TRUE(waitFor([total] {
            manager().requestBatch();
            return manager().openAlarms().snapshot(0).total == total;
        })) << manager().openAlarms().snapshot(0).total;
        std::vector<std::int64_t> ids;
        for (const OpenAlarm& alarm : manager().openAlarms().snapshot(100).newest)
            ids.push_back(alarm.id);
        return ids;
    }

    TempFolder folder;
    const std::string path = folder.file("app.db");
    const UniqueID a = UniqueID();
    const UniqueID b = UniqueID();
};

TEST_F(AlarmDeskTest, AlarmsOpenAreAcknowledgedOnceAndTheRestSurviveARestart)
{
    manager().setAlarmKinds({overspeed, panic, panic});
    manager().open(path, 5000);
    store(a, panic, "a1");    // 1
    store(a, panic, "a2");    // 2
    store(a, 5, "other");     // 3: not a chosen kind
    store(b, panic, "b1");    // 4
    store(a, panic, "a3");    // 5
    store(b, overspeed, "z"); // 6
    EXPECT_EQ(openIds(5), (std::vector<std::int64_t>{6, 5, 4, 2, 1}));
    const OpenAlarm newest = manager().openAlarms().snapshot(1).newest.at(0);
    EXPECT_EQ(newest.vehicle_id, b);
    EXPECT_EQ(newest.event_type, overspeed);
    EXPECT_EQ(newest.device_title, "z");
    EXPECT_EQ(newest.time, "2011-05-31 13:45:30");

    acknowledge(4, "it's 100% done; \"seen\"");
    acknowledge(2, "all of a up to a2", &a);
    acknowledge(4, "a second one is ignored");
    acknowledge(3, "not an alarm");
    acknowledge(99, "no such event");
    EXPECT_EQ(openIds(2), (std::vector<std::int64_t>{6, 5}));
    EXPECT_EQ(rowsOf(path, "SELECT event_id, acknowledged, operator, note FROM alarm_ack ORDER BY "
                           "event_id;"),
              (std::vector<std::string>{"1|2026-12-10 11:00:00|alice|all of a up to a2",
                                        "2|2026-12-10 11:00:00|alice|all of a up to a2",
                                        "4|2026-12-10 11:00:00|alice|it's 100% done; \"seen\""}));

    manager().close();
    manager().open(path, 5000);
    EXPECT_EQ(openIds(2), (std::vector<std::int64_t>{6, 5}));
    // Other kinds chosen: the open alarms are read again.
    manager().setAlarmKinds({5});
    EXPECT_EQ(openIds(1), (std::vector<std::int64_t>{3}));
}

TEST_F(AlarmDeskTest, RetentionKeepsOpenAlarmsAndTakesAcknowledgementsWithTheirEvents)
{
    struct Case
    {
        bool withAckTable;
        std::vector<std::string> kept;
    };
    // Rows received 30 days ago: an open alarm, an acknowledged one, an other event.
    const Case cases[] = {
        {true, {"1|13"}},
        {false, {"1|13", "2|13"}}, // without acknowledgements every alarm is open
    };
    for (const Case& c : cases) {
        TempFolder files;
        Database db;
        db.open(files.file("old.db").c_str(), 5000);
        StationReceipts::ensureTables(db);
        db.execute("CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, "
                   "name TEXT, time DATETIME, event_type INTEGER, device_title TEXT, vehicle_id "
                   "TEXT);"
                   "CREATE TABLE gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT, gps_data TEXT, "
                   "update_time DATETIME, vehicle_id TEXT);"
                   "DELETE FROM received_hour;"
                   "INSERT INTO received_hour VALUES ('event_info', CAST(strftime('%s', 'now', "
                   "'-30 days') AS INTEGER) / 3600, 1);"
                   "INSERT INTO received_hour VALUES ('event_info', CAST(strftime('%s', 'now') "
                   "AS INTEGER) / 3600, 4);"
                   "INSERT INTO event_info (event_type) VALUES (13), (13), (2);");
        if (c.withAckTable) {
            AlarmDesk::ensureTable(db);
            db.execute("INSERT INTO alarm_ack VALUES (2, '2026-01-01 00:00:00', 'bob', '');");
        }
        RetentionSweeper sweeper(db);
        sweeper.setAlarmKinds({13});
        sweeper.sweep(7, 200);
        EXPECT_EQ(rowsOf(db, "SELECT id, event_type FROM event_info ORDER BY id;"), c.kept);
        if (c.withAckTable)
            EXPECT_EQ(rowsOf(db, "SELECT count(*) FROM alarm_ack;"),
                      std::vector<std::string>{"0"});
    }
}

TEST(OpenAlarmsTest, AFloodIsHeldUpToTheBoundAndStillCountedWhole)
{
    OpenAlarms alarms;
    std::vector<OpenAlarm> flood(OpenAlarms::maxHeld + 10);
    for (std::size_t i = 0; i < flood.size(); ++i)
        flood[i].id = static_cast<std::int64_t>(i + 1);
    alarms.apply(flood, {});
    EXPECT_EQ(alarms.snapshot(0).total, flood.size());
    // The oldest (not held) and the newest (held) acknowledged.
    alarms.apply({}, {1, static_cast<std::int64_t>(flood.size())});
    const auto snapshot = alarms.snapshot(1);
    EXPECT_EQ(snapshot.total, flood.size() - 2);
    EXPECT_EQ(snapshot.newest.at(0).id, static_cast<std::int64_t>(flood.size() - 1));
}

} // namespace
} // namespace corvane
