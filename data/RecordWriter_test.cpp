// GPS samples go through one compiled statement per connection: what it stores, and that
// it follows the writer's connection through a reopen and a failure.

#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/GPSData.h"
#include "data/RecordWriter.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;

const UniqueID vehicle("00000000-0000-4000-8000-0000000000a1");
const char createGps[] = "CREATE TABLE gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,gps_data "
                         "TEXT,update_time DATETIME,vehicle_id TEXT);";

GPSData sample(const std::string& sentence, const char* time)
{
    GPSData g(sentence.c_str(), vehicle);
    g.setUpdateTime(time);
    return g;
}

const char* const rowsQuery =
    "SELECT gps_data, update_time, typeof(update_time), vehicle_id FROM gps_data ORDER BY id;";

TEST(RecordWriterGps, StoresTextsAsTheyAreAndUnreadableTimesAsNull)
{
    TempFolder folder;
    Database db;
    db.open(folder.file("app.db").c_str(), 5000);
    db.execute(createGps);
    RecordWriter writer(db);
    struct Case
    {
        std::string sentence;
        const char* time;
        std::string row;
    };
    const std::string id = vehicle.toText();
    const std::string longest(GPSData::sentenceCapacity, 'x');
    const Case cases[] = {
        {"$GPRMC,134531,A", "2011-05-31 13:45:31",
         "$GPRMC,134531,A|2011-05-31 13:45:31|text|" + id},
        {"it's 100% ok; DROP TABLE gps_data;--", "2011-05-31 13:45:32",
         "it's 100% ok; DROP TABLE gps_data;--|2011-05-31 13:45:32|text|" + id},
        {"?1 ?2 :value", "2011-05-31 13:45:33", "?1 ?2 :value|2011-05-31 13:45:33|text|" + id},
        {longest + "cut", "2011-05-31 13:45:34", longest + "|2011-05-31 13:45:34|text|" + id},
        {"", "yesterday", "|<null>|null|" + id},
        {"no time", "", "no time|<null>|null|" + id},
    };
    std::vector<std::string> expected;
    db.execute("BEGIN;");
    for (const Case& c : cases) {
        writer.apply(sample(c.sentence, c.time));
        expected.push_back(c.row);
    }
    db.execute("COMMIT;");
    EXPECT_EQ(rowsOf(db, rowsQuery), expected);
}

TEST(RecordWriterGps, FollowsTheConnectionThroughReopenAndFailure)
{
    TempFolder folder;
    const std::string first = folder.file("first.db");
    const std::string second = folder.file("second.db");
    Database db;
    db.open(first.c_str(), 5000);
    db.execute(createGps);
    RecordWriter writer(db);
    writer.apply(sample("one", "2011-05-31 13:45:31"));

    // Another file on the same Database object: the next sample lands there.
    db.open(second.c_str(), 5000);
    db.execute(createGps);
    writer.apply(sample("two", "2011-05-31 13:45:32"));

    // Without the table the insert fails and says so; once the table is back the writer
    // inserts again.
    db.execute("DROP TABLE gps_data;");
    EXPECT_THROW(writer.apply(sample("lost", "2011-05-31 13:45:33")), DatabaseException);
    db.execute(createGps);
    writer.apply(sample("three", "2011-05-31 13:45:34"));
    // A row that a trigger refuses releases the statement; the next row compiles it again.
    db.execute("CREATE TRIGGER refuse BEFORE INSERT ON gps_data WHEN NEW.gps_data = 'bad' "
               "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(writer.apply(sample("bad", "2011-05-31 13:45:35")), DatabaseException);
    writer.apply(sample("four", "2011-05-31 13:45:36"));
    db.close();

    EXPECT_EQ(rowsOf(first, "SELECT gps_data FROM gps_data ORDER BY id;"),
              std::vector<std::string>{"one"});
    EXPECT_EQ(rowsOf(second, "SELECT gps_data FROM gps_data ORDER BY id;"),
              (std::vector<std::string>{"three", "four"}));
}

} // namespace
} // namespace corvane
