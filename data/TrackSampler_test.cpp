#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/TrackIndex.h"
#include "data/TrackQuery.h"
#include "data/TrackSampler.h"
#include "data/Transaction.h"
#include "testsupport/TempFolder.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

const char* const truck = "6b0c2f2e-0000-4000-8000-000000000011";
const char* const van = "6b0c2f2e-0000-4000-8000-000000000012";
const std::int64_t base = 1325376000; // 2012-01-01 00:00:00

class TrackSamplerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DBManager::getInstance().open(path, 5000);
        DBManager::getInstance().close();
        db.open(path.c_str(), 5000);
    }

    // Sample i of the truck at base + i seconds, its speed i (so a point
    // names its row), stored in a scrambled order with a van sample after
    // each, so that neither the id order nor the table's pages follow the
    // track; samples for which noPosition holds carry no position. The
    // first half is moved into vehicle order, the rest is left in the tail,
    // as in a running station.
    void addTrack(int count, const std::function<bool(int)>& noPosition)
    {
        std::optional<Transaction> transaction(db);
        Statement insert(db, nullptr);
        for (int n = 0; n < count; ++n) {
            if (n == count / 2) {
                transaction->commit();
                transaction.reset();
                TrackIndex(db).catchUp();
                transaction.emplace(db);
            }
            const int i = static_cast<int>((static_cast<long long>(n) * 7919) % count);
            char gps[96];
            std::snprintf(gps, sizeof gps, "$GPRMC,080000,A,5110.0000,N,00710.0000,E,%d.0,90.0,,",
                          i);
            for (const char* vehicle : {truck, van}) {
                insert.prepare("INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                               "(?, ?, ?);");
                insert.bindText(1, noPosition(i) && vehicle == truck ? "$GPRMC,080000,V,,,,,,,,,"
                                                                     : gps);
                insert.bindText(2, formatTrackTime(base + i).c_str());
                insert.bindText(3, vehicle);
                insert.execute();
            }
        }
        ASSERT_NE(count % 7919, 0); // the scramble visits every sample once
        transaction->commit();
    }

    std::vector<int> rowsOf(const std::vector<TrackPoint>& points)
    {
        std::vector<int> rows;
        for (const TrackPoint& p : points) {
            EXPECT_EQ(p.time - base, static_cast<std::int64_t>(p.speed));
            rows.push_back(static_cast<int>(p.speed));
        }
        return rows;
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
    Database db;
};

bool every7thFrom3(int i)
{
    return i % 7 == 3;
}

TEST_F(TrackSamplerTest, StrideKeepsTheEndsAndSkipsSamplesWithoutPosition)
{
    addTrack(110, [](int i) { return i == 0 || i == 1 || i >= 100 || every7thFrom3(i); });
    struct Case
    {
        int from, to;
        std::size_t maxRows;
        std::size_t rows, stride;
        std::vector<int> expected;
    };
    const Case cases[] = {
        // At or under the limit: every sample with a position.
        {40, 50, 11, 11, 1, {40, 41, 42, 43, 44, 46, 47, 48, 49, 50}},
        {40, 49, 10, 10, 1, {40, 41, 42, 43, 44, 46, 47, 48, 49}},
        // Twelve over a limit of eleven: every second, and the last.
        {40, 51, 11, 12, 2, {40, 42, 44, 46, 48, 50, 51}},
        // The range's ends carry no position: the first and last that do
        // stand in for them; the stride still counts from the range's start.
        {0, 100, 11, 101, 10, {2, 20, 30, 40, 50, 60, 70, 90, 99}},
        // A range inside the track: the stride counts from its own start.
        {5, 95, 10, 91, 10, {5, 15, 25, 35, 55, 65, 75, 85, 95}},
        // The one stride sample between the ends has no position.
        {60, 99, 3, 40, 20, {60, 99}},
        // Nothing: an empty range, and ranges whose samples have no position.
        {200, 300, 10, 0, 1, {}},
        {3, 3, 10, 1, 1, {}},
        {100, 109, 3, 10, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << ".." << c.to << " max " << c.maxRows);
        std::vector<TrackPoint> points;
        const TrackSample sample =
            TrackSampler::load(db, truck, formatTrackTime(base + c.from),
                               formatTrackTime(base + c.to), c.maxRows, points);
        EXPECT_EQ(sample.rows, c.rows);
        EXPECT_EQ(sample.stride, c.stride);
        EXPECT_EQ(rowsOf(points), c.expected);
        EXPECT_LE(points.size(), c.maxRows);
    }

    std::vector<TrackPoint> points;
    TrackSampler::load(db, "nobody", formatTrackTime(base), formatTrackTime(base + 100), 2, points);
    EXPECT_TRUE(points.empty());
}

TEST_F(TrackSamplerTest, AtTheDrawingLimitTheWholeRangeIsReadAsBefore)
{
    addTrack(20001, every7thFrom3);
    const std::string from = formatTrackTime(base);

    // 20,000 samples: exactly what the whole-range query reads.
    std::vector<TrackPoint> whole, sampled;
    TrackQuery::load(db, truck, from, formatTrackTime(base + 19999), whole);
    const TrackSample atLimit =
        TrackSampler::load(db, truck, from, formatTrackTime(base + 19999), 20000, sampled);
    EXPECT_EQ(atLimit.rows, 20000u);
    EXPECT_EQ(atLimit.stride, 1u);
    EXPECT_EQ(rowsOf(sampled), rowsOf(whole));

    // One more: every second sample and the last, all of them samples of the whole track.
    sampled.clear();
    const TrackSample over =
        TrackSampler::load(db, truck, from, formatTrackTime(base + 20000), 20000, sampled);
    EXPECT_EQ(over.rows, 20001u);
    EXPECT_EQ(over.stride, 2u);
    const std::vector<int> rows = rowsOf(sampled);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    EXPECT_EQ(rows.back(), 20000);
    int expectedCount = 0;
    for (int i = 0; i <= 20000; i += 2)
        expectedCount += every7thFrom3(i) ? 0 : 1;
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(expectedCount));
    for (std::size_t n = 1; n < rows.size(); ++n) {
        ASSERT_EQ(rows[n] % 2, 0) << n;
        ASSERT_LT(rows[n - 1], rows[n]) << n;
    }
    // Each point read as the whole-range query reads it.
    whole.clear();
    TrackQuery::load(db, truck, from, formatTrackTime(base + 20000), whole);
    EXPECT_DOUBLE_EQ(sampled[1].latitude, whole[2].latitude);
    EXPECT_DOUBLE_EQ(sampled[1].longitude, whole[2].longitude);
    EXPECT_EQ(sampled[1].course, whole[2].course);
}

TEST_F(TrackSamplerTest, AStopEndsTheReadingConnections)
{
    addTrack(20001, every7thFrom3);
    // Set from the start: the caller's connection (without a handler here)
    // walks the range, the connections reading the rows stop.
    std::atomic<bool> stop{true};
    std::vector<TrackPoint> points;
    try {
        TrackSampler::load(db, truck, formatTrackTime(base), formatTrackTime(base + 20000), 20000,
                           points, &stop);
        ADD_FAILURE() << "not stopped";
    } catch (const DatabaseException& e) {
        EXPECT_EQ(e.getCode(), SQLITE_INTERRUPT) << e.getMessage();
    }
    // The same call unstopped reads them all.
    stop = false;
    points.clear();
    EXPECT_EQ(TrackSampler::load(db, truck, formatTrackTime(base), formatTrackTime(base + 20000),
                                 20000, points, &stop)
                  .stride,
              2u);
    EXPECT_GT(points.size(), 8000u);
}

TEST(TrackSamplerStride, StaysWithinTheLimitWithTheLastSample)
{
    const std::size_t limits[] = {2, 3, 10, 20000};
    for (std::size_t maxRows : limits) {
        for (std::size_t rows : {maxRows - 1, maxRows, maxRows + 1, 2 * maxRows - 1, 2 * maxRows,
                                 7 * maxRows + 3, 1000003 * maxRows / 7}) {
            const std::size_t k = TrackSampler::strideFor(rows, maxRows);
            const std::size_t picks = rows == 0 ? 0 : (rows - 1) / k + 1 + ((rows - 1) % k != 0);
            EXPECT_LE(picks, maxRows) << rows << " over " << maxRows;
            // The next smaller stride would not have fitted.
            if (k > 1) {
                const std::size_t smaller = (rows - 1) / (k - 1) + 1 + ((rows - 1) % (k - 1) != 0);
                EXPECT_GT(smaller, maxRows) << rows << " over " << maxRows;
            }
        }
    }
}

} // namespace
} // namespace corvane
