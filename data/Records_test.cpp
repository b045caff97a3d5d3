#include "base/FormatableBuffer.h"
#include "data/BoundedText.h"
#include "data/Database.h"
#include "data/EventLog.h"
#include "data/GPSData.h"
#include "data/RecordCodec.h"
#include "data/RowSet.h"
#include "testsupport/TempFolder.h"
#include "data/VehicleInfo.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

std::string idText(const UniqueID& id)
{
    return id.toText();
}

TEST(BoundedTextTest, CutsToCapacityWithoutSplittingCharacters)
{
    struct Case
    {
        std::string input;
        std::string expected;
    };
    const std::string e = "\xC3\xA9";        // é, two bytes
    const std::string euro = "\xE2\x82\xAC"; // €, three bytes
    const Case cases[] = {
        {"", ""},
        {std::string(8, 'a'), std::string(8, 'a')},
        {std::string(9, 'a'), std::string(8, 'a')},
        {std::string(7, 'a') + e, std::string(7, 'a')},
        {std::string(6, 'a') + e + "b", std::string(6, 'a') + e},
        {std::string(6, 'a') + euro, std::string(6, 'a')},
        {std::string(5, 'a') + euro, std::string(5, 'a') + euro},
    };
    for (const Case& c : cases) {
        char field[9];
        copyBounded(field, c.input.c_str());
        EXPECT_EQ(std::string(field), c.expected) << c.input;
    }
    char field[9] = "old";
    copyBounded(field, nullptr);
    EXPECT_STREQ(field, "");
}

TEST(RecordFieldsTest, BoundedFieldsKeepTheirFirstCharacters)
{
    const std::string sentence(90, 'G');
    GPSData sample(sentence.c_str());
    EXPECT_EQ(std::string(sample.gps_data), sentence.substr(0, 82));
    sample.setUpdateTime("2011-05-31 13:45:30 and more");
    EXPECT_STREQ(sample.update_time, "2011-05-31 13:45:30 ");

    EventLog event;
    event.setDeviceTitle(std::string(40, 'd').c_str());
    event.setName(std::string(33, 'n').c_str());
    EXPECT_EQ(std::string(event.device_title), std::string(32, 'd'));
    EXPECT_EQ(std::string(event.name), std::string(32, 'n'));
    EXPECT_EQ(event.recordType, AbstractDatabaseRecord::Event);
    EXPECT_TRUE(event.vehicle_id.isZero());
}

class RecordLoadTest : public ::testing::Test
{
protected:
    void SetUp() override { db.open(folder.file("load.db").c_str(), 5000); }

    TempFolder folder;
    Database db;
};

TEST_F(RecordLoadTest, VehicleDeletedOnlyForOneAndNullAsEmpty)
{
    db.execute("CREATE TABLE v (id TEXT, name TEXT, edited_name TEXT, t TEXT, lat TEXT, lon TEXT, "
               "deleted INTEGER, company TEXT, maker TEXT, model TEXT, registration TEXT, "
               "driver TEXT, license TEXT, info1 TEXT, info2 TEXT, image_path TEXT);"
               "INSERT INTO v VALUES ('0a1b2c3d-0000-4000-8000-00000000000f', 'Truck', NULL, "
               "'2011-05-31 13:45:30', '37.5', '127.0', 2, 'c', 'mk', 'md', 'r', 'dr', 'l', "
               "'i1', 'i2', 'img/a.png');"
               "INSERT INTO v VALUES ('0a1b2c3d-0000-4000-8000-000000000001', 'Bus', 'My bus', "
               "NULL, NULL, NULL, 1, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);");
    RowSet rows(db, "SELECT * FROM v ORDER BY name DESC;");
    VehicleInfo vehicle;
    vehicle.operation = AbstractDatabaseRecord::Update;
    ASSERT_TRUE(rows.next());
    vehicle.load(rows);
    EXPECT_EQ(idText(vehicle.id), "0a1b2c3d-0000-4000-8000-00000000000f");
    EXPECT_EQ(vehicle.name, "Truck");
    EXPECT_EQ(vehicle.edited_name, "");
    EXPECT_EQ(vehicle.displayName(), "Truck");
    EXPECT_FALSE(vehicle.deleted); // 2 is not 1
    EXPECT_EQ(vehicle.last_updated_latitude, "37.5");
    EXPECT_EQ(vehicle.license, "l");
    EXPECT_EQ(vehicle.image_path, "img/a.png");
    EXPECT_EQ(vehicle.operation, AbstractDatabaseRecord::Update); // untouched by load

    ASSERT_TRUE(rows.next());
    vehicle.load(rows);
    EXPECT_TRUE(vehicle.deleted);
    EXPECT_EQ(vehicle.displayName(), "My bus");
    EXPECT_EQ(vehicle.last_updated_time, "");
    EXPECT_EQ(vehicle.company, "");
    EXPECT_EQ(vehicle.image_path, "");
}

TEST_F(RecordLoadTest, EventAndSampleReadTheirColumnsInTableOrder)
{
    db.execute("CREATE TABLE e (id INTEGER, address TEXT, name TEXT, time DATETIME, event_type "
               "INTEGER, device_title TEXT, vehicle_id TEXT);"
               "INSERT INTO e VALUES (7, '10.0.0.9', 'Van', '2011-05-31 13:45:30', 12, 'DVR-1', "
               "'0a1b2c3d-0000-4000-8000-000000000002');"
               "CREATE TABLE g (id INTEGER, gps_data TEXT, update_time DATETIME, vehicle_id TEXT);"
               "INSERT INTO g VALUES (3, '$GPRMC,1', NULL, 'not an id');");
    RowSet events(db, "SELECT * FROM e;");
    ASSERT_TRUE(events.next());
    EventLog event;
    event.load(events);
    EXPECT_EQ(event.id, 7);
    EXPECT_EQ(event.address, "10.0.0.9");
    EXPECT_STREQ(event.name, "Van");
    EXPECT_STREQ(event.time, "2011-05-31 13:45:30");
    EXPECT_EQ(event.event_type, 12);
    EXPECT_STREQ(event.device_title, "DVR-1");
    EXPECT_EQ(idText(event.vehicle_id), "0a1b2c3d-0000-4000-8000-000000000002");

    RowSet samples(db, "SELECT * FROM g;");
    ASSERT_TRUE(samples.next());
    GPSData sample;
    sample.load(samples);
    EXPECT_EQ(sample.id, 3);
    EXPECT_STREQ(sample.gps_data, "$GPRMC,1");
    EXPECT_STREQ(sample.update_time, "");
    EXPECT_TRUE(sample.vehicle_id.isZero());
}

// The writer's own path (queue, decode, SQL) is checked end to end in the
// DBManager tests; here only what they cannot reach.
TEST(RecordCodecTest, CopyKeepsEveryByteAndTruncatedInputIsRefused)
{
    VehicleInfo vehicle;
    vehicle.operation = AbstractDatabaseRecord::Update;
    vehicle.deleted = true;
    vehicle.company = std::string(3000, 'C');
    vehicle.info2 = std::string("nul\0inside\xC3\xA9", 12);

    std::string bytes;
    ASSERT_TRUE(RecordCodec::encode(vehicle, bytes));
    // Every shorter prefix of a valid encoding is refused, never misread.
    for (std::size_t size = 0; size < bytes.size(); ++size)
        ASSERT_EQ(RecordCodec::decode(bytes.data(), size), nullptr) << size;
    const auto decoded = RecordCodec::decode(bytes.data(), bytes.size());
    ASSERT_NE(decoded, nullptr);
    const auto& v = dynamic_cast<const VehicleInfo&>(*decoded);
    EXPECT_EQ(v.operation, AbstractDatabaseRecord::Update);
    EXPECT_TRUE(v.id.equals(vehicle.id));
    EXPECT_TRUE(v.deleted);
    EXPECT_EQ(v.company, vehicle.company);
    EXPECT_EQ(v.info2, vehicle.info2);
}

TEST(RecordCodecTest, RecordWhoseTypeDoesNotMatchItsClassIsNotEncoded)
{
    GPSData sample("x");
    sample.recordType = AbstractDatabaseRecord::Vehicle;
    std::string bytes = "stale";
    EXPECT_FALSE(RecordCodec::encode(sample, bytes));
    EXPECT_TRUE(bytes.empty());
}

} // namespace
} // namespace corvane
