#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/TrackIndex.h"
#include "data/TrackQuery.h"
#include "data/TrackSampler.h"
#include "data/Transaction.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TempFolder.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;

const std::string vehicles[] = {"6b0c2f2e-0000-4000-8000-000000000021", "o'quote", "z"};

class TrackIndexTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DBManager::getInstance().open(path, 5000);
        DBManager::getInstance().close();
        db.open(path.c_str(), 5000);
    }

    // Samples i = first .. first + count - 1, the vehicles in turn, the times
    // repeating within 50 s so that equal times meet; a few have no time or
    // no vehicle, and belong to no track.
    void add(int first, int count)
    {
        Transaction transaction(db);
        Statement insert(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                             "('$GPRMC,080000,A,5110.0000,N,00710.0000,E,1.0,90.0,,', "
                             "DATETIME(1325376000 + ?1, 'unixepoch'), ?2);");
        Statement noTime(db, "INSERT INTO gps_data (gps_data, vehicle_id) VALUES ('$GPRMC', ?1);");
        Statement noVehicle(db, "INSERT INTO gps_data (gps_data, update_time) VALUES ('$GPRMC', "
                                "'2012-01-01 00:00:01');");
        for (int i = first; i < first + count; ++i) {
            const char* vehicle = vehicles[i % 3].c_str();
            if (i % 41 == 0) {
                noTime.bindText(1, vehicle);
                noTime.execute();
                noTime.reset();
            } else if (i % 53 == 0) {
                noVehicle.execute();
                noVehicle.reset();
            } else {
                insert.bindInt(1, i * 7 % 50);
                insert.bindText(2, vehicle);
                insert.execute();
                insert.reset();
            }
        }
        transaction.commit();
    }

    std::vector<std::string> rows(const std::string& sql)
    {
        std::vector<std::string> found;
        RowSet set(db, sql.c_str());
        while (set.next())
            found.push_back(std::string(set.getTextOrEmpty(0)) + "#" + set.getTextOrEmpty(1));
        return found;
    }

    long long number(const char* sql)
    {
        RowSet set(db, sql);
        return set.next() ? set.getInt64(0) : -1;
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
    Database db;
};

TEST_F(TrackIndexTest, EverySampleIsFoundOnceWhereverItsMoveStands)
{
    add(0, 300);
    struct State
    {
        const char* name;
        std::function<void()> reach;
        long long moved; // rows in gps_track afterwards; -1: some, not all
    };
    const State states[] = {
        {"nothing moved", [] {}, 0},
        // The least a step does: one piece of inserts, the rest still in the
        // tail as well.
        {"a step under way", [this] { TrackIndex(db).advance(0us, true); }, -1},
        {"the step done again after a kill", [this] { TrackIndex(db).catchUp(); }, 300 - 8 - 5},
        {"samples added since", [this] { add(300, 90); }, 300 - 8 - 5},
        {"samples swept",
         [this] {
             Transaction transaction(db);
             TrackIndex::forget(db, "1,2,3,4,5,150,299,300,301");
             db.execute("DELETE FROM gps_data WHERE id IN (1,2,3,4,5,150,299,300,301);");
             transaction.commit();
         },
         300 - 8 - 5 - 7},
    };
    for (const State& state : states) {
        SCOPED_TRACE(state.name);
        state.reach();
        const long long moved = number("SELECT count(*) FROM gps_track;");
        if (state.moved < 0) {
            EXPECT_GT(moved, 0);
            EXPECT_LT(moved, 300 - 8 - 5);
        } else {
            EXPECT_EQ(moved, state.moved);
        }
        for (const std::string& vehicle : vehicles) {
            for (const auto& [from, to] :
                 {std::pair{"2000-01-01 00:00:00", "2100-01-01 00:00:00"},
                  std::pair{"2012-01-01 00:00:10", "2012-01-01 00:00:20"}}) {
                // What a scan of the whole table finds.
                const FormatableSQL scan(
                    "SELECT update_time, id FROM gps_data WHERE vehicle_id='%q' AND update_time "
                    "BETWEEN '%q' AND '%q' ORDER BY update_time, id;",
                    vehicle.c_str(), from, to);
                const std::vector<std::string> expected = rows(scan.getText());
                ASSERT_FALSE(expected.empty());
                EXPECT_EQ(rows(TrackIndex::rangeSql(vehicle, from, to) + " ORDER BY 1, 2;"),
                          expected);
                std::vector<TrackPoint> points;
                EXPECT_EQ(TrackQuery::load(db, vehicle, from, to, points), expected.size());
                points.clear();
                EXPECT_EQ(TrackSampler::load(db, vehicle, from, to, 5, points).rows,
                          expected.size());
                EXPECT_LE(points.size(), 5u);
            }
            const FormatableSQL latest("SELECT MAX(update_time), 0 FROM gps_data WHERE "
                                       "vehicle_id='%q';",
                                       vehicle.c_str());
            std::string time;
            ASSERT_TRUE(TrackQuery::latestTime(db, vehicle, time));
            EXPECT_EQ(time + "#0", rows(latest.getText()).at(0));
        }
    }
}

TEST_F(TrackIndexTest, ARangeIsFoundByVehicleWithoutScanningTheTable)
{
    auto plan = [this](const std::string& sql) {
        std::string text;
        RowSet rows(db, ("EXPLAIN QUERY PLAN " + sql).c_str());
        while (rows.next())
            text += std::string(rows.getText(3)) + "\n";
        return text;
    };
    const std::string range = TrackIndex::rangeSql("a", "b", "c");
    for (const std::string& sql :
         {range + " ORDER BY 1, 2", range + " ORDER BY 1 DESC, 2 DESC",
          TrackIndex::rowsSql("a", "b", "c") + " ORDER BY 1, 2", TrackIndex::latestSql("a")}) {
        const std::string text = plan(sql);
        EXPECT_NE(text.find("SEARCH gps_track USING PRIMARY KEY (vehicle_id=?"), std::string::npos)
            << text;
        // The tail alone, from the highest id moved.
        EXPECT_NE(text.find("SEARCH gps_data USING INTEGER PRIMARY KEY (rowid>?)"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("SCAN gps_data"), std::string::npos) << text;
    }
}

TEST_F(TrackIndexTest, TheWriterMovesAnOlderFilesSamplesAfterOpenAndDropsItsIndex)
{
    // More than a step, so that the first one is due at once.
    const int rows = TrackIndex::stepRows + 999;
    add(0, rows);
    db.execute("CREATE INDEX gps_data_vehicle_time_idx ON gps_data(vehicle_id, update_time);");
    const FormatableSQL firstStep("SELECT count(*) FROM gps_data WHERE id <= %lld AND vehicle_id "
                                  "NOT NULL AND update_time NOT NULL;",
                                  static_cast<long long>(TrackIndex::stepRows));
    const long long inTracks = number(firstStep.getText());
    DBManager& manager = DBManager::getInstance();
    manager.setBatchPeriod(50);
    manager.open(path, 5000);
    const bool moved = test::waitFor([&] {
        return number("SELECT count(*) FROM sqlite_master WHERE name = "
                      "'gps_data_vehicle_time_idx';") == 0 &&
               number("SELECT count(*) FROM gps_track;") == inTracks &&
               number("SELECT through FROM gps_track_through;") == TrackIndex::stepRows;
    });
    manager.close();
    manager.setBatchPeriod(DBManager::batchPeriodMs);
    EXPECT_TRUE(moved);
}

} // namespace
} // namespace corvane
