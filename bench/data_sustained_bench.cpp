// Sustained load through the real DBManager: a fixed rate of GPS reports,
// each queueing two vehicle updates and one GPS sample as the main window
// does, for a given time. Prints what the queue refused, whether every
// sample reached gps_data, the resident memory over the run, the commits a
// second and the processor time of the writer's thread.
//
//   data_sustained_bench [seconds] [reports per second] [batch period ms] [synchronous]
//                        [vehicles]
//   (default 60, 1000, the station's period and level, 100)

#include "bench/BenchFigures.h"
#include "data/DBManager.h"
#include "data/Database.h"
#include "data/GPSDataContainer.h"
#include "data/RowSet.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using bench::residentKiB;

namespace {

// User plus system seconds of this process's threads but the main one: here
// the writer's alone.
double writerCpuSeconds()
{
    DIR* tasks = ::opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    double seconds = 0;
    const std::string main = std::to_string(::getpid());
    while (dirent* task = ::readdir(tasks)) {
        if (task->d_name[0] == '.' || task->d_name == main)
            continue;
        const std::string folder = std::string("/proc/self/task/") + task->d_name;
        std::string stat;
        std::getline(std::ifstream(folder + "/stat"), stat);
        const std::size_t end = stat.rfind(')');
        if (end == std::string::npos)
            continue;
        // After the name: state, then 10 fields up to utime and stime.
        unsigned long long user = 0, system = 0;
        if (std::sscanf(stat.c_str() + end + 2,
                        "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                        &system) == 2)
            seconds =
                static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    ::closedir(tasks);
    return seconds;
}

std::atomic<long> g_commits{0};

int countCommit(void*)
{
    ++g_commits;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int vehicleCount = argc > 5 ? std::max(1, std::atoi(argv[5])) : 100;

    TempFolder folder;
    const std::string path = folder.file("app.db");
    DBManager& manager = DBManager::getInstance();
    if (argc > 3)
        manager.setBatchPeriod(std::atoi(argv[3]));
    manager.open(path, 5000);
    {
        std::lock_guard lock(DBManager::getDatabaseMutex());
        Database& writer = manager.getDatabase();
        if (argc > 4)
            writer.execute((std::string("PRAGMA synchronous = ") + argv[4] + ";").c_str());
        RowSet mode(writer, "PRAGMA journal_mode;");
        RowSet level(writer, "PRAGMA synchronous;");
        std::printf("journal %s, synchronous %s, batch period %d ms\n",
                    mode.next() ? mode.getText(0) : "?", level.next() ? level.getText(0) : "?",
                    argc > 3 ? std::atoi(argv[3]) : DBManager::batchPeriodMs);
        sqlite3_commit_hook(writer.getHandle(), countCommit, nullptr);
    }
    const double writerCpuAtStart = writerCpuSeconds();
    VehicleInfoContainer& vehicles = VehicleInfoContainer::getInstance();
    GPSDataContainer& samples = GPSDataContainer::getInstance();

    std::vector<VehicleInfo*> fleet;
    for (int i = 0; i < vehicleCount; ++i) {
        auto record = VehicleInfoContainer::create(
            UniqueID(), ("Vehicle " + std::to_string(i)).c_str(), "2011-05-31 13:45:30");
        fleet.push_back(record.get());
        vehicles.insert(std::move(record));
    }

    long refused = 0;
    long sent = 0;
    const long startKiB = residentKiB();
    std::printf("start: %ld KiB resident\n", startKiB);
    const auto start = std::chrono::steady_clock::now();
    auto next = start;
    const auto period = std::chrono::nanoseconds(1000000000L / rate);
    for (long report = 0; report < static_cast<long>(seconds) * rate; ++report) {
        VehicleInfo& v = *fleet[report % vehicleCount];
        // Each vehicle's clock moves on as a recorder's does, so that its
        // samples go to the end of its own stretch of the index.
        const long second = 49530 + report / rate;
        char time[24];
        std::snprintf(time, sizeof time, "2011-05-31 %02ld:%02ld:%02ld", second / 3600 % 24,
                      second / 60 % 60, second % 60);
        v.last_updated_time = time;
        refused += vehicles.update(v) ? 0 : 1;
        v.last_updated_latitude = std::to_string(37.5 + report * 1e-6);
        v.last_updated_longitude = std::to_string(127.0 + report * 1e-6);
        refused += vehicles.update(v) ? 0 : 1;
        if (samples.add(time, v.id, "$GPRMC,134531,A,3733.1234,N,12658.5678,E,10.5,90.0"))
            ++sent;
        else
            ++refused;
        if ((report + 1) % (10L * rate) == 0)
            std::printf("%3lds: %ld KiB resident, %ld refused so far\n", (report + 1) / rate,
                        residentKiB(), refused);
        next += period;
        std::this_thread::sleep_until(next);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double writerCpu = writerCpuSeconds() - writerCpuAtStart;
    const long commits = g_commits.load();
    std::printf("writer: %ld commits (%.2f a second), %.2f s of processor time (%.1f%% of one "
                "core)\n",
                commits, commits / elapsed.count(), writerCpu, 100.0 * writerCpu / elapsed.count());
    const auto closeStart = std::chrono::steady_clock::now();
    manager.close();
    const std::chrono::duration<double> closing = std::chrono::steady_clock::now() - closeStart;

    Database db;
    db.open(path.c_str(), 5000);
    RowSet rows(db, "SELECT COUNT(*) FROM gps_data;");
    rows.next();
    const long stored = rows.getInt(0);
    std::printf("%ld reports in %.1f s (%.0f/s): %ld refused; %ld samples queued, %ld in gps_data "
                "(%s); close took %.0f ms; resident %ld KiB at start, %ld KiB at end\n",
                static_cast<long>(seconds) * rate, elapsed.count(),
                seconds * rate / elapsed.count(), refused, sent, stored,
                stored == sent ? "all stored" : "MISSING", closing.count() * 1000, startKiB,
                residentKiB());
    return refused == 0 && stored == sent ? 0 : 1;
}
