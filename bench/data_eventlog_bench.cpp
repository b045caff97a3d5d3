// The event log against a large event_info: the time to open it (count the
// events, read page 1) and to page to the last page, and how much the
// station's resident memory grows meanwhile, for several table sizes.
//
//   data_eventlog_bench [rows...]     (default 10000 1000000 20000000)
//
// Each size gets a fresh app.db in a temporary folder, filled with one
// prepared statement in one transaction (the indexes made after the rows, as
// an older file gains them at open). The figures then come from DBManager's
// page queries, the calls the event log makes.

#include "bench/BenchFigures.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/Statement.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/TempFolder.h"
#include "testsupport/VehicleIds.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using bench::Clock;
using bench::msSince;
using bench::residentKiB;

// rows events of 101 vehicles, one every 15 s from 2025-01-01 on.
void fill(const std::string& path, long rows)
{
    Database db;
    db.open(path.c_str(), 5000);
    db.execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;");
    db.execute("CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,address TEXT,name "
               "TEXT,time DATETIME,event_type INTEGER,device_title TEXT, vehicle_id "
               "TEXT,foreign key(vehicle_id) references vehicle_info(id));"
               "CREATE UNIQUE INDEX event_info_idx ON event_info(id);");
    db.execute("BEGIN;");
    Statement insert(db, "INSERT INTO event_info (address, name, time, event_type, device_title, "
                         "vehicle_id) VALUES ('10.1.2.3', ?1, DATETIME(1735689600 + ?2 * 15, "
                         "'unixepoch'), ?3, 'DVR', ?4);");
    char names[101][16];
    std::vector<std::string> ids;
    for (int v = 0; v < 101; ++v) {
        std::snprintf(names[v], sizeof names[v], "Bus %d", v);
        ids.push_back(test::sampleVehicleId(v, "0e0e0e0e"));
    }
    for (long i = 0; i < rows; ++i) {
        const int v = static_cast<int>(i % 101);
        insert.bindTextNoCopy(1, names[v]);
        insert.bindInt64(2, i);
        insert.bindInt(3, static_cast<int>(i % 14));
        insert.bindTextNoCopy(4, ids[v].c_str());
        insert.execute();
        insert.reset();
    }
    insert.finalize();
    db.execute("COMMIT;");
}

void measure(long rows)
{
    TempFolder folder;
    const std::string path = folder.file("app.db");
    auto start = Clock::now();
    fill(path, rows);
    const double fillMs = msSince(start);

    DBManager& manager = DBManager::getInstance();
    start = Clock::now();
    manager.open(path, 5000); // makes the indexes the file lacks
    const double openMs = msSince(start);
    // The writer counts the events once when it starts; the first count
    // asked for waits for that.
    start = Clock::now();
    manager.countEvents(nullptr);
    const double primeMs = msSince(start);

    // Twice: the first time reads the pages from the disk cache into SQLite's.
    for (int round = 0; round < 2; ++round) {
        const long before = residentKiB();
        std::size_t shown = 0;
        auto count = [&](const EventLog&, const auto&) { ++shown; };
        start = Clock::now();
        const std::size_t total = manager.countEvents(nullptr);
        manager.forEachEventPage(nullptr, total, 0, 100, count);
        const double firstMs = msSince(start);
        start = Clock::now();
        const std::size_t last = total == 0 ? 0 : (total - 1) / 100 * 100;
        manager.forEachEventPage(nullptr, total, last, 100, count);
        const double lastMs = msSince(start);
        // A search over every date, as the Search button sends it.
        const char* all = "time between '1970-01-01 00:00:00' AND '2100-12-31 24:59:59' ";
        start = Clock::now();
        const std::size_t found = manager.countEvents(all);
        manager.forEachEventPage(all, found, (found - 1) / 100 * 100, 100, count);
        const double searchMs = msSince(start);
        std::printf("%10ld rows, %s: open %.1f ms + last page %.1f ms = %.1f ms; search "
                    "all + its last page %.1f ms; resident growth %ld KiB; rows shown %zu\n",
                    rows, round == 0 ? "cold" : "warm", firstMs, lastMs, firstMs + lastMs, searchMs,
                    residentKiB() - before, shown);
    }
    manager.close();
    std::printf("%10ld rows: filled in %.1f s, first open with index creation %.1f s, the "
                "writer's one full count at start %.1f ms\n",
                rows, fillMs / 1000, openMs / 1000, primeMs);
    VehicleInfoContainer::getInstance().clear();
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty())
        sizes = {10000, 1000000, 20000000};
    try {
        for (long rows : sizes)
            measure(rows);
    } catch (const DatabaseException& e) {
        std::fprintf(stderr, "%s\n", e.getMessage());
        return 1;
    }
    return 0;
}
