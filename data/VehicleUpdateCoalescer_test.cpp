#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/GPSData.h"
#include "data/RecordCodec.h"
#include "data/RecordWriter.h"
#include "data/RowSet.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"
#include "data/VehicleInfo.h"
#include "data/VehicleUpdateCoalescer.h"
#include "thread/MessageQueue.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;

using R = AbstractDatabaseRecord;

const UniqueID vehicleIds[] = {UniqueID("00000000-0000-4000-8000-000000000001"),
                               UniqueID("00000000-0000-4000-8000-000000000002")};

// One record from a token: operation letter (I insert, U update, G GPS
// sample, E event) and vehicle digit; `serial` makes every record tell apart.
std::unique_ptr<R> record(const std::string& token, int serial)
{
    const UniqueID& id = vehicleIds[token[1] - '1'];
    const std::string tag = token + "#" + std::to_string(serial);
    if (token[0] == 'G') {
        auto g = std::make_unique<GPSData>(("GPRMC," + tag).c_str(), id);
        return g;
    }
    if (token[0] == 'E') {
        auto e = std::make_unique<EventLog>();
        e->vehicle_id = id;
        e->setName(tag.c_str());
        e->event_type = serial % 14;
        return e;
    }
    auto v = std::make_unique<VehicleInfo>(id);
    v->operation = token[0] == 'I' ? R::Insert : R::Update;
    v->name = tag;
    v->last_updated_latitude = std::to_string(serial);
    v->driver = serial % 3 == 0 ? "" : "driver " + tag;
    v->deleted = serial % 5 == 0;
    return v;
}

std::vector<std::unique_ptr<R>> records(const std::string& tokens)
{
    std::vector<std::unique_ptr<R>> out;
    std::istringstream in(tokens);
    std::string token;
    while (in >> token)
        out.push_back(record(token, static_cast<int>(out.size())));
    return out;
}

TEST(VehicleUpdateCoalescerTest, KeepsTheLastUpdateOfEachRunAndEverythingElse)
{
    struct Case
    {
        const char* batch;
        std::vector<int> kept; // indexes into the batch, in order
    };
    const Case cases[] = {
        {"", {}},
        {"U1", {0}},
        {"U1 U1 U1", {2}},
        {"I1 U1 U1 G1 U1", {0, 3, 4}},
        {"U1 U2 U1 U2", {2, 3}},
        {"G1 E1 G1 E2", {0, 1, 2, 3}},
        // An update before an insert may itself insert the row: it stays.
        {"U1 I1 U1", {0, 1, 2}},
        {"U1 U1 I1 U1 U1", {1, 2, 4}},
        {"I1 I2 U2 G2 U1 G1 U2 E2 U1", {0, 1, 3, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        auto original = records(c.batch);
        const std::size_t total = original.size();
        VehicleUpdateCoalescer::Records batch;
        std::vector<const R*> expected;
        for (std::size_t i = 0; i < original.size(); ++i) {
            const R* raw = original[i].get();
            if (std::find(c.kept.begin(), c.kept.end(), static_cast<int>(i)) != c.kept.end())
                expected.push_back(raw);
            batch.push_back(std::move(original[i]));
        }
        const std::size_t dropped = VehicleUpdateCoalescer::coalesce(batch);
        std::vector<const R*> kept;
        for (const auto& r : batch)
            kept.push_back(r.get());
        EXPECT_EQ(kept, expected) << c.batch;
        EXPECT_EQ(dropped, total - c.kept.size()) << c.batch;
    }
}

const char* const tables[] = {
    "CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,address TEXT,name TEXT,time "
    "DATETIME,event_type INTEGER,device_title TEXT, vehicle_id TEXT);",
    "CREATE TABLE vehicle_info (id TEXT PRIMARY KEY,name TEXT,edited_name TEXT,last_updated_time "
    "DATETIME,last_updated_latitude TEXT,last_updated_longitude TEXT, deleted INTEGER, company "
    "TEXT, maker TEXT, model TEXT,registration TEXT, driver TEXT, license TEXT, info1 TEXT, info2 "
    "TEXT, image_path TEXT);",
    "CREATE TABLE gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,gps_data TEXT,update_time "
    "DATETIME,vehicle_id TEXT);",
};

void createTables(Database& db)
{
    for (const char* sql : tables)
        db.execute(sql);
}


std::vector<std::vector<std::string>> contents(Database& db)
{
    return {rowsOf(db, "SELECT * FROM vehicle_info ORDER BY id;"),
            rowsOf(db, "SELECT * FROM gps_data ORDER BY id;"),
            rowsOf(db, "SELECT * FROM event_info ORDER BY id;")};
}

// The writer's batch (coalesced) against applying every record one by one:
// the same rows in every table, every GPS sample and event among them.
TEST(VehicleUpdateCoalescerTest, WriterStoresTheRowsOfApplyingEveryRecord)
{
    const char* batches[] = {
        "U1 U1 U1 G1 U1 G1",
        "I1 U1 G1 U1 G1 U2 G2 E2 U2 G2 U1 E1",
        "U1 I1 U1 U1 I2 U2",
        "I1 I1 U1 U1",
    };
    std::mt19937 random(7);
    std::string mixed;
    for (int i = 0; i < 400; ++i) {
        const char kinds[] = {'U', 'U', 'U', 'G', 'G', 'I', 'E'};
        mixed += kinds[random() % 7];
        mixed += static_cast<char>('1' + random() % 2);
        mixed += ' ';
    }
    std::vector<std::string> all(std::begin(batches), std::end(batches));
    all.push_back(mixed);

    for (const std::string& batch : all) {
        TempFolder folder;
        Database coalesced;
        coalesced.open(folder.file("coalesced.db").c_str(), 5000);
        createTables(coalesced);
        Database direct;
        direct.open(folder.file("direct.db").c_str(), 5000);
        createTables(direct);

        MessageQueue queue(1 << 20, nullptr, 4096);
        RecordWriter directWriter(direct);
        direct.execute("BEGIN;");
        int gpsAndEvents = 0;
        for (const auto& r : records(batch)) {
            std::string encoded;
            ASSERT_TRUE(RecordCodec::encode(*r, encoded));
            ASSERT_TRUE(queue.put(encoded.data(), encoded.size()));
            gpsAndEvents += r->recordType != R::Vehicle;
            try {
                directWriter.apply(*r);
            } catch (const DatabaseException&) {
                // A second insert of a vehicle fails alone, as in the writer.
            }
        }
        direct.execute("COMMIT;");

        RecordWriter writer(coalesced);
        std::vector<char> buffer(65536);
        writer.writeBatch(queue, queue.count(), buffer);
        EXPECT_EQ(writer.pending(), 0u) << batch;
        const auto got = contents(coalesced);
        EXPECT_EQ(got, contents(direct)) << batch;
        EXPECT_EQ(static_cast<int>(got[1].size() + got[2].size()), gpsAndEvents) << batch;
    }
}

} // namespace
} // namespace corvane
