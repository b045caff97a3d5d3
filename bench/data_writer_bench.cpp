// Time to apply one batch of 2,048 mixed records (vehicle inserts and
// updates, GPS samples, events) to a real app.db file, as the database
// writer does: taken from the write queue, decoded, turned into SQL and
// committed in one transaction.
//
//   data_writer_bench [rounds]      (default 20 rounds of one batch each)

#include "data/DBManager.h"
#include "data/Database.h"
#include "data/EventLog.h"
#include "data/GPSData.h"
#include "data/RecordCodec.h"
#include "data/RecordWriter.h"
#include "testsupport/TempFolder.h"
#include "data/VehicleInfo.h"
#include "thread/MessageQueue.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int batchSize = 2048;
constexpr int vehicleCount = 100;

void put(MessageQueue& queue, const AbstractDatabaseRecord& record)
{
    std::string bytes;
    RecordCodec::encode(record, bytes);
    if (!queue.put(bytes.data(), bytes.size(), 0)) {
        std::fprintf(stderr, "queue refused a record\n");
        std::exit(1);
    }
}

// One batch as the station makes it: per GPS report two vehicle updates and
// one sample, an alarm now and then; the first round also inserts the fleet.
void fill(MessageQueue& queue, std::vector<VehicleInfo>& fleet, bool first, int round)
{
    int queued = 0;
    if (first) {
        for (VehicleInfo& v : fleet) {
            v.operation = AbstractDatabaseRecord::Insert;
            put(queue, v);
            ++queued;
        }
    }
    for (int i = 0; queued < batchSize; ++i) {
        VehicleInfo& v = fleet[i % vehicleCount];
        const int second = (round * 1000 + i) % 60;
        v.operation = AbstractDatabaseRecord::Update;
        v.last_updated_time = "2011-05-31 13:45:" + std::to_string(10 + second % 50);
        v.last_updated_latitude = std::to_string(37.5 + i * 1e-5);
        v.last_updated_longitude = std::to_string(127.0 + i * 1e-5);
        put(queue, v);
        if (++queued == batchSize)
            break;
        put(queue, v);
        if (++queued == batchSize)
            break;
        GPSData sample("$GPRMC,134531,A,3733.1234,N,12658.5678,E,10.5,90.0,310511,,,A");
        sample.setUpdateTime(v.last_updated_time.c_str());
        sample.vehicle_id = v.id;
        put(queue, sample);
        if (++queued == batchSize)
            break;
        if (i % 20 == 0) {
            EventLog event;
            event.address = "192.168.10.20";
            event.setName(v.name.c_str());
            event.setTime(v.last_updated_time.c_str());
            event.event_type = i % 14;
            event.setDeviceTitle("DVR-4CH");
            event.vehicle_id = v.id;
            put(queue, event);
            ++queued;
        }
    }
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    TempFolder folder;
    const std::string path = folder.file("app.db");
    DBManager::getInstance().open(path, 5000); // creates the schema
    DBManager::getInstance().close();

    Database db;
    db.open(path.c_str(), 5000);
    RecordWriter writer(db);
    MessageQueue queue(DBManager::queueBytes, nullptr, DBManager::queueMessages);
    std::vector<char> buffer(DBManager::queueBytes);

    std::vector<VehicleInfo> fleet(vehicleCount);
    for (int i = 0; i < vehicleCount; ++i) {
        fleet[i].name = "Vehicle " + std::to_string(i);
        fleet[i].company = "ORVEX Logistics";
        fleet[i].driver = "Driver " + std::to_string(i);
    }

    // Wall time is what the target is about; the writer thread's own CPU
    // time shows how much of it is waiting (disk sync, a busy machine).
    std::vector<double> rates;
    std::vector<double> cpuRates;
    for (int round = 0; round < rounds; ++round) {
        fill(queue, fleet, round == 0, round);
        const double cpuStart = threadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const int taken = writer.writeBatch(queue, queue.count(), buffer);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        const double cpu = threadCpuSeconds() - cpuStart;
        rates.push_back(taken / elapsed.count());
        cpuRates.push_back(taken / cpu);
        std::printf("batch %2d: %d records in %.2f ms wall (%.2f ms CPU) = %.0f records/s\n",
                    round + 1, taken, elapsed.count() * 1000, cpu * 1000, rates.back());
    }
    std::sort(rates.begin(), rates.end());
    std::sort(cpuRates.begin(), cpuRates.end());
    std::printf("median %.0f records/s wall (best %.0f, slowest %.0f), %.0f records/s per CPU "
                "second, over %d batches of %d (target >= 50000)\n",
                rates[rates.size() / 2], rates.back(), rates.front(), cpuRates[cpuRates.size() / 2],
                rounds, batchSize);
    return 0;
}
