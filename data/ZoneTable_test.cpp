// The zone tables of app.db: what the station reads of the operator's zones,
// and the presence a crossing leaves, written with its event in one batch.

#include "callback/CallbackInfo.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/EventLogger.h"
#include "data/VehicleInfoContainer.h"
#include "data/ZoneTable.h"
#include "testsupport/TableText.h"
#include "testsupport/SampleEvent.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;

const UniqueID vehicle("00000000-0000-4000-8000-0000000000b7");

class ZoneTableTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        DBManager::getInstance().close();
        VehicleInfoContainer::getInstance().clear();
    }

    void open() { DBManager::getInstance().open(path, 5000); }

    static CallbackInfo zoneEvent(int type, const char* title)
    {
        return test::sampleEvent(vehicle, "Truck 7", title, type);
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
};

TEST_F(ZoneTableTest, LoadsTheZonesThatAreNotDeletedWithTheirLimits)
{
    open();
    {
        Database db;
        db.open(path.c_str(), 5000);
        db.execute(
            "INSERT INTO zone (name, geometry, speed_limit) VALUES ('Depot', 'g1', 50);"
            "INSERT INTO zone (name, geometry, speed_limit, deleted) VALUES ('Gone', 'g2', 30, 1);"
            "INSERT INTO zone (name, geometry) VALUES ('No limit', 'g3');"
            "INSERT INTO zone (name, geometry, speed_limit) VALUES ('Text', 'g4', 'fast');"
            "INSERT INTO zone (name, geometry, speed_limit) VALUES ('Digits', 'g5', '42.5');"
            // A name of 300 characters and a geometry of 4 MiB and 2 bytes.
            "INSERT INTO zone (name, geometry) VALUES (hex(zeroblob(150)), "
            "hex(zeroblob(2097153)));");
    }
    const std::vector<ZoneTable::StoredZone> zones = DBManager::getInstance().loadZones();
    ASSERT_EQ(zones.size(), 5u);
    EXPECT_EQ(zones[4].name, std::string(ZoneTable::maxNameCharacters, '0'));
    EXPECT_TRUE(zones[4].geometryTooLong);
    EXPECT_EQ(zones[4].geometry, "");
    EXPECT_FALSE(zones[0].geometryTooLong);
    EXPECT_EQ(zones[0].id, 1);
    EXPECT_EQ(zones[0].name, "Depot");
    EXPECT_EQ(zones[0].geometry, "g1");
    EXPECT_EQ(zones[0].speedLimit, 50.0);
    EXPECT_EQ(zones[1].name, "No limit");
    EXPECT_FALSE(zones[1].speedLimit);
    EXPECT_FALSE(zones[1].unreadableLimit);
    EXPECT_EQ(zones[2].name, "Text");
    EXPECT_FALSE(zones[2].speedLimit);
    EXPECT_EQ(zones[2].unreadableLimit, "fast");
    EXPECT_EQ(zones[3].speedLimit, 42.5); // the column's affinity made it a number
}

TEST_F(ZoneTableTest, ACrossingStoresItsEventAndThePresenceItLeaves)
{
    open();
    EventLogger& logger = EventLogger::getInstance();
    ASSERT_TRUE(logger.addCrossing(zoneEvent(1000, "Depot"), 4, true));
    ASSERT_TRUE(logger.addCrossing(zoneEvent(1000, "Yard"), 9, true));
    ASSERT_TRUE(logger.addCrossing(zoneEvent(1001, "Depot"), 4, false));
    ASSERT_TRUE(logger.add(zoneEvent(1002, "Yard 72 km/h > 50 km/h")));
    DBManager::getInstance().close();

    const std::string id = vehicle.toText();
    EXPECT_EQ(rowsOf(path, "SELECT address, name, time, event_type, device_title, vehicle_id "
                           "FROM event_info ORDER BY id;"),
              (std::vector<std::string>{
                  "10.1.2.3|Truck 7|2011-05-31 13:45:30|1000|Depot|" + id,
                  "10.1.2.3|Truck 7|2011-05-31 13:45:30|1000|Yard|" + id,
                  "10.1.2.3|Truck 7|2011-05-31 13:45:30|1001|Depot|" + id,
                  "10.1.2.3|Truck 7|2011-05-31 13:45:30|1002|Yard 72 km/h > 50 km/h|" + id,
              }));
    EXPECT_EQ(rowsOf(path, "SELECT vehicle_id, zone_id FROM zone_presence;"),
              std::vector<std::string>{id + "|9"});

    open();
    const std::vector<ZoneCrossing> presence = DBManager::getInstance().loadZonePresence();
    ASSERT_EQ(presence.size(), 1u);
    EXPECT_EQ(presence[0].event.vehicle_id, vehicle);
    EXPECT_EQ(presence[0].zone_id, 9);
    EXPECT_TRUE(presence[0].inside);
}

TEST_F(ZoneTableTest, AZoneTableOfTheFileIsKeptAsItIs)
{
    {
        Database db;
        db.open(path.c_str(), 5000);
        db.execute("CREATE TABLE zone (id INTEGER PRIMARY KEY, name TEXT, geometry TEXT, "
                   "speed_limit REAL, deleted INTEGER NOT NULL DEFAULT 0, colour TEXT);"
                   "INSERT INTO zone (name, geometry, colour) VALUES ('Kept', 'g', 'red');");
    }
    open();
    DBManager::getInstance().close();
    EXPECT_EQ(rowsOf(path, "SELECT name, colour FROM zone;"), std::vector<std::string>{"Kept|red"});
    EXPECT_EQ(rowsOf(path, "SELECT count(*) FROM sqlite_master WHERE name = 'zone_presence';"),
              std::vector<std::string>{"1"});
}

} // namespace
} // namespace corvane
