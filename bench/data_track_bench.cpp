// Reading one vehicle's stored track out of a large gps_data: query time for
// 1,000, 100,000 and 1,000,000 samples of one vehicle among TOTAL rows, both
// the first answer for the screen (TrackSampler, at most 20,000 rows read)
// and every sample (TrackQuery), the thinning for drawing, and the cost of
// one replay frame at x64.
//
//   data_track_bench [total rows] [app.db to keep] [cold]
//
// With "cold" (as root) the page cache is dropped before a first, cold read
// of each vehicle, then the best of three warm reads is given.
// Default 20,000,000 rows in a temporary file that is removed at the end.
// With a path, an existing file there is used as it is (the rows are made
// only when it has no gps_data yet), so app_track_history_bench can draw
// the same tracks. The rows are made with one prepared statement in one
// transaction, and then moved into vehicle order as the station's writer
// moves them (TrackIndex), all at once.

#include "bench/BenchFigures.h"
#include "data/AbstractDatabaseRecord.h" // DBManager.h needs it complete
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/TrackIndex.h"
#include "data/TrackQuery.h"
#include "data/TrackReplay.h"
#include "data/TrackSampler.h"
#include "data/TrackThinner.h"
#include "data/Transaction.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using bench::Clock;
using bench::msSince;

// Vehicles measured: id suffix and samples among the rows.
struct Measured
{
    const char* id;
    long long samples;
};
const Measured measured[] = {
    {"00000000-0000-4000-8000-000000001000", 1000},
    {"00000000-0000-4000-8000-000000100000", 100000},
    {"00000000-0000-4000-8000-000001000000", 1000000},
};

const std::int64_t baseTime = 1325376000; // 2012-01-01 00:00:00

std::string sentenceFor(long long i)
{
    // A slow wander around 51N 7E.
    const double lat = 51.0 + 0.3 * std::sin(i * 1e-5);
    const double lon = 7.0 + 0.3 * std::cos(i * 1.3e-5);
    char text[128];
    std::snprintf(text, sizeof text, "$GPRMC,120000,A,%02d%07.4f,N,%03d%07.4f,E,%.1f,%.1f,010112,,",
                  static_cast<int>(lat), (lat - static_cast<int>(lat)) * 60.0,
                  static_cast<int>(lon), (lon - static_cast<int>(lon)) * 60.0,
                  static_cast<double>(i % 60), static_cast<double>(i % 360));
    return text;
}

void fill(Database& db, long long total)
{
    const auto started = Clock::now();
    Transaction transaction(db);
    // One statement, reset and bound again for every row.
    Statement insert(
        db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES (?, ?, ?);");
    std::string filler = "00000000-0000-4000-8000-0000000f0000";
    for (long long i = 0; i < total; ++i) {
        // Twenty rows a second; the measured vehicles spread evenly over the whole time.
        const char* vehicle = nullptr;
        for (const Measured& m : measured) {
            if (total >= m.samples && i % (total / m.samples) == 1 + (&m - measured))
                vehicle = m.id;
        }
        if (vehicle == nullptr) {
            std::snprintf(filler.data() + 30, 7, "%06lld", i % 500);
            vehicle = filler.c_str();
        }
        const std::string time = formatTrackTime(baseTime + i / 20);
        const std::string gps = sentenceFor(i);
        insert.bindTextNoCopy(1, gps.c_str());
        insert.bindTextNoCopy(2, time.c_str());
        insert.bindTextNoCopy(3, vehicle);
        insert.execute();
        insert.reset();
    }
    insert.finalize();
    transaction.commit();
    std::printf("made %lld rows in %.1f s\n", total, msSince(started) / 1000);
}

bool dropCaches()
{
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    drop.flush();
    return static_cast<bool>(drop);
}

// The cold time (0 when not asked for) and the best warm time of three of read().
template <typename Read>
std::pair<double, double> timeReads(bool cold, Read read)
{
    double coldMs = 0;
    if (cold) {
        if (!dropCaches())
            std::fprintf(stderr, "the page cache could not be dropped (not root?)\n");
        const auto started = Clock::now();
        read();
        coldMs = msSince(started);
    }
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const auto started = Clock::now();
        read();
        best = std::min(best, msSince(started));
    }
    return {coldMs, best};
}

long long countRows(Database& db)
{
    RowSet rows(db, "SELECT COUNT(*) FROM gps_data;");
    return rows.next() ? rows.getInt(0) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    const long long total = argc > 1 ? std::atoll(argv[1]) : 20000000LL;
    TempFolder folder;
    const std::string path = argc > 2 ? argv[2] : folder.file("app.db");

    {
        Database db;
        db.open(path.c_str(), 5000);
        db.execute("CREATE TABLE IF NOT EXISTS gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                   "gps_data TEXT,update_time DATETIME,vehicle_id TEXT,foreign key(vehicle_id) "
                   "references vehicle_info(id));");
        if (countRows(db) == 0)
            fill(db, total);
    }
    // The station's own open adds the tables.
    auto started = Clock::now();
    DBManager::getInstance().open(path, 5000);
    DBManager::getInstance().close();
    std::printf("open: %.1f s\n", msSince(started) / 1000);

    Database db;
    db.open(path.c_str(), 5000);
    started = Clock::now();
    TrackIndex(db).catchUp();
    std::printf("moving the samples not yet in vehicle order: %.1f s\n", msSince(started) / 1000);
    std::printf("gps_data rows: %lld\n", countRows(db));
    const std::string from = formatTrackTime(baseTime);
    const std::string to = formatTrackTime(baseTime + total / 20 + 1);
    const bool cold = argc > 3 && std::string(argv[3]) == "cold";
    for (const Measured& m : measured) {
        std::vector<TrackPoint> sampled;
        TrackSample sample;
        const auto [sampleCold, sampleWarm] = timeReads(cold, [&] {
            sampled.clear();
            sample = TrackSampler::load(db, m.id, from, to, 20000, sampled);
        });
        std::vector<TrackPoint> points;
        const auto [wholeCold, wholeWarm] = timeReads(cold, [&] {
            points.clear();
            TrackQuery::load(db, m.id, from, to, points);
        });
        std::printf("%8zu samples: first answer %zu points (stride %zu) cold %.1f ms, warm %.1f "
                    "ms; every point cold %.1f ms, warm %.1f ms\n",
                    points.size(), sampled.size(), sample.stride, sampleCold, sampleWarm, wholeCold,
                    wholeWarm);
        const double best = wholeWarm;
        started = Clock::now();
        const auto kept = TrackThinner::thin(points, 2048, 20000);
        const double thinMs = msSince(started);

        auto shared = std::make_shared<const std::vector<TrackPoint>>(std::move(points));
        started = Clock::now();
        TrackReplay replay(shared);
        const double replaySetupMs = msSince(started);
        replay.setPace(64);
        const int frames = 100000;
        double sink = 0;
        started = Clock::now();
        for (int f = 0; f < frames; ++f) {
            if (!replay.advance(0.04))
                replay.seek(replay.startTime());
            sink += replay.at(replay.now()).latitude;
        }
        const double frameUs = msSince(started) * 1000 / frames;
        std::printf("%8zu samples: query %.1f ms (best of 3), thinned to %zu in %.1f ms, replay "
                    "set-up %.1f ms, x64 frame %.3f us%s\n",
                    shared->size(), best, kept.size(), thinMs, replaySetupMs, frameUs,
                    sink == 12345 ? " " : "");
    }
    return 0;
}
