// The database writer under storage trouble, with the station's 5-second
// period and a steady stream of GPS reports:
//
//   data_storage_bench retention [old rows] [reports/s]
//       (default 2000000 old samples of 101 vehicles, 1010 reports/s)
//     Keep days 1 over a file whose old samples are two days old: how long
//     the deletion takes, the longest and 99th percentile wait for the
//     database mutex seen by a probe that takes it every millisecond (what a
//     batch or a query waits), and whether every report arrived.
//
//   data_storage_bench full [seconds] [reports/s]    (default 60 s, 1000/s)
//     The file cannot grow (SQLite's max_page_count, the stand-in for a full
//     disk) for that long, then space returns: the CPU the writer used while
//     full, the failed batches, the records kept and written afterwards, and
//     the records refused.

#include "data/DBManager.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/GPSData.h"
#include "data/RowSet.h"
#include "data/Statement.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/TempFolder.h"
#include "testsupport/VehicleIds.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;

long long number(const std::string& path, const char* sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    RowSet rows(db, sql);
    return rows.next() && rows.getText(0) != nullptr ? std::atoll(rows.getText(0)) : -1;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Enqueues reports of 101 vehicles at a steady rate, stamped with the time
// now, until stopped; counts what the writer accepted and refused.
class Producer
{
public:
    explicit Producer(int perSecond) : m_perSecond(perSecond)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Producer() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    long accepted() const { return m_accepted; }
    long refused() const { return m_refused; }
    double cpuSeconds() const { return m_cpu; }

private:
    void run()
    {
        std::vector<UniqueID> vehicles(101);
        const auto start = Clock::now();
        long sent = 0;
        while (!m_stop) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            const long due = static_cast<long>(elapsed * m_perSecond);
            char now[32];
            const std::time_t t = std::time(nullptr);
            std::strftime(now, sizeof now, "%Y-%m-%d %H:%M:%S", std::gmtime(&t));
            for (; sent < due; ++sent) {
                GPSData sample("$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10",
                               vehicles[sent % vehicles.size()]);
                sample.setUpdateTime(now);
                (DBManager::getInstance().enqueue(sample) ? m_accepted : m_refused)++;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_cpu = threadCpuSeconds();
    }

    int m_perSecond;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_accepted{0};
    std::atomic<long> m_refused{0};
    std::atomic<double> m_cpu{0};
    std::thread m_thread;
};

// Takes the database mutex every millisecond and keeps how long it waited.
class MutexProbe
{
public:
    MutexProbe()
    {
        m_thread = std::thread([this] {
            while (!m_stop) {
                const auto asked = Clock::now();
                {
                    std::lock_guard lock(DBManager::getDatabaseMutex());
                }
                m_waits.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    std::vector<double> stop()
    {
        m_stop = true;
        m_thread.join();
        std::sort(m_waits.begin(), m_waits.end());
        return m_waits;
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<double> m_waits;
    std::thread m_thread;
};

void printWaits(const char* label, const std::vector<double>& waits)
{
    if (waits.empty())
        return;
    std::printf("  database mutex wait %s, %zu probes: longest %.1f ms, 99th percentile %.2f ms, "
                "median %.3f ms\n",
                label, waits.size(), waits.back(), waits[waits.size() * 99 / 100],
                waits[waits.size() / 2]);
}

void fillOldSamples(const std::string& path, long rows)
{
    Database db;
    db.open(path.c_str(), 5000);
    db.execute("BEGIN;");
    Statement insert(db, "INSERT INTO gps_data (gps_data, update_time, vehicle_id) VALUES "
                         "('$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10', "
                         "DATETIME('now', '-2 days', ?1 || ' seconds'), ?2);");
    std::vector<std::string> ids;
    for (int v = 0; v < 101; ++v)
        ids.push_back(test::sampleVehicleId(v, "0e0e0e0e"));
    for (long i = 0; i < rows; ++i) {
        insert.bindInt64(1, -(i / 101) % 43200);
        insert.bindTextNoCopy(2, ids[i % 101].c_str());
        insert.execute();
        insert.reset();
    }
    insert.finalize();
    db.execute("COMMIT;");
}

int retention(long oldRows, int perSecond)
{
    TempFolder folder;
    const std::string path = folder.file("app.db");
    DBManager& manager = DBManager::getInstance();
    manager.open(path, 5000); // the schema and its indexes
    manager.close();
    fillOldSamples(path, oldRows);
    std::printf("retention: %ld samples two days old, %d reports/s arriving, keep days 1\n",
                oldRows, perSecond);

    manager.open(path, 5000);
    const long refusedBefore = manager.refusedCount();
    Producer producer(perSecond);
    // The same load without retention first, for comparison.
    MutexProbe baseline;
    std::this_thread::sleep_for(std::chrono::seconds(15));
    printWaits("without retention, 15 s", baseline.stop());
    manager.setKeepDays(1);
    MutexProbe probe;
    const auto start = Clock::now();
    const char* old =
        "SELECT count(*) FROM gps_data WHERE update_time < DATETIME('now', '-1 day');";
    while (number(path, old) > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double deleteSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::seconds(6));
    producer.stop();
    const std::vector<double> waits = probe.stop();
    manager.close();
    manager.setKeepDays(0);
    const long long stored = number(path, "SELECT count(*) FROM gps_data;");
    std::printf("  old samples gone after %.1f s (%.0f deleted/s while %d reports/s arrived)\n",
                deleteSeconds, oldRows / deleteSeconds, perSecond);
    std::printf(
        "  reports accepted %ld, refused %ld (writer counted %ld), stored %lld, lost %lld\n",
        producer.accepted(), producer.refused(), manager.refusedCount() - refusedBefore, stored,
        producer.accepted() - stored);
    printWaits("with retention", waits);
    return producer.accepted() == stored ? 0 : 1;
}

void setMaxPages(long long pages)
{
    std::lock_guard lock(DBManager::getDatabaseMutex());
    const std::string sql = "PRAGMA max_page_count = " + std::to_string(pages) + ";";
    DBManager::getInstance().getDatabase().execute(sql.c_str());
}

int full(int seconds, int perSecond)
{
    TempFolder folder;
    const std::string path = folder.file("app.db");
    DBManager& manager = DBManager::getInstance();
    manager.open(path, 5000);
    {
        std::lock_guard lock(DBManager::getDatabaseMutex());
        RowSet pages(manager.getDatabase(), "PRAGMA page_count;");
        pages.next();
        const long long count = pages.getInt(0);
        pages.close();
        setMaxPages(count);
    }
    std::printf("full: the file cannot grow for %d s while %d reports/s arrive\n", seconds,
                perSecond);
    const long failedBefore = manager.failedBatchCount();
    const long refusedBefore = manager.refusedCount();
    const double cpuBefore = processCpuSeconds();
    Producer producer(perSecond);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    producer.stop();
    const double writerCpu = processCpuSeconds() - cpuBefore - producer.cpuSeconds();
    const long failed = manager.failedBatchCount() - failedBefore;
    std::printf("  while full: writer and other threads used %.2f s of CPU in %d s (%.1f %% of "
                "one core), %ld failed batches, producer %.2f s CPU\n",
                writerCpu, seconds, 100.0 * writerCpu / seconds, failed, producer.cpuSeconds());

    setMaxPages(1000000000);
    const auto mended = Clock::now();
    while (number(path, "SELECT count(*) FROM gps_data;") < producer.accepted() &&
           Clock::now() - mended < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double catchUp = std::chrono::duration<double>(Clock::now() - mended).count();
    manager.close();
    const long long stored = number(path, "SELECT count(*) FROM gps_data;");
    std::printf("  reports sent %ld: kept and written after space returned %lld (in %.1f s), "
                "refused %ld (writer counted %ld), lost without a count %lld\n",
                producer.accepted() + producer.refused(), stored, catchUp, producer.refused(),
                manager.refusedCount() - refusedBefore, producer.accepted() - stored);
    return producer.accepted() == stored ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    try {
        if (std::strcmp(mode, "retention") == 0)
            return retention(argc > 2 ? std::atol(argv[2]) : 2000000,
                             argc > 3 ? std::atoi(argv[3]) : 1010);
        if (std::strcmp(mode, "full") == 0)
            return full(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 ? std::atoi(argv[3]) : 1000);
    } catch (const DatabaseException& e) {
        std::fprintf(stderr, "%s\n", e.getMessage());
        return 1;
    }
    std::fprintf(stderr, "usage: data_storage_bench retention [old rows] [reports/s]\n"
                         "       data_storage_bench full [seconds] [reports/s]\n");
    return 2;
}
