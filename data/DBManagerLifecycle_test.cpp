// The writer's life as producers and the owner see it: when it wakes early,
// and that close() neither loses an accepted record nor takes one after it.
#include "data/DBManager.h"
#include "data/GPSData.h"
#include "data/VehicleInfo.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TableText.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using test::rowsOf;
using test::waitFor;

class DBManagerLifecycleTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        manager().close();
        manager().setBatchPeriod(DBManager::batchPeriodMs);
        VehicleInfoContainer::getInstance().clear();
    }

    static DBManager& manager() { return DBManager::getInstance(); }

    int count(const char* table)
    {
        return std::stoi(
            rowsOf(path, ("SELECT COUNT(*) FROM " + std::string(table) + ";").c_str()).at(0));
    }

    TempFolder folder;
    std::string path = folder.file("app.db");
};

// A few long records fill a batch by their bytes long before their number
// would: the queue's byte count, length fields included, wakes the writer.
TEST_F(DBManagerLifecycleTest, BatchWorthOfBytesStartsTheBatchEarly)
{
    manager().setBatchPeriod(3600 * 1000);
    manager().open(path, 5000);
    VehicleInfo truck(UniqueID{});
    truck.name = "Probe";
    ASSERT_TRUE(manager().enqueue(truck));
    manager().requestBatch();
    ASSERT_TRUE(waitFor([&] { return count("vehicle_info") == 1; }));

    // Six updates of about 100 KB: the sixth passes the batch's bytes.
    truck.image_path.assign(100000, 'p');
    const int updates = DBManager::batchBytes / 100000 + 1;
    truck.operation = AbstractDatabaseRecord::Update;
    for (int i = 1; i <= updates; ++i) {
        truck.info1 = std::to_string(i);
        ASSERT_TRUE(manager().enqueue(truck));
    }
    EXPECT_TRUE(waitFor([&] {
        return rowsOf(path, "SELECT info1 FROM vehicle_info;") ==
               std::vector<std::string>{std::to_string(updates)};
    }));
}

// Producers keep putting while the owner closes: every record accepted is
// written by the last batch, every one refused is counted, and a new open
// takes records again.
TEST_F(DBManagerLifecycleTest, CloseAmidProducersWritesEveryAcceptedRecord)
{
    manager().setBatchPeriod(20);
    manager().open(path, 5000);
    const long refusedBefore = manager().refusedCount();
    constexpr int producers = 3;
    std::atomic<bool> finish{false};
    std::atomic<int> acceptedTotal{0};
    std::vector<std::vector<std::string>> accepted(producers);
    std::array<std::atomic<long>, producers> refused{};
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p)
        threads.emplace_back([&, p] {
            const UniqueID vehicle;
            for (int i = 0; !finish; ++i) {
                const std::string text = std::to_string(p) + "-" + std::to_string(i);
                if (manager().enqueue(GPSData(text.c_str(), vehicle))) {
                    accepted[p].push_back(text);
                    ++acceptedTotal;
                } else {
                    ++refused[p];
                    std::this_thread::yield();
                }
            }
        });
    ASSERT_TRUE(waitFor([&] { return acceptedTotal >= 3000; }));
    manager().close();
    // Whatever a producer tries after close is refused.
    ASSERT_TRUE(waitFor([&] {
        long all = 0;
        for (int p = 0; p < producers; ++p)
            all += refused[p];
        return all >= producers;
    }));
    finish = true;
    for (std::thread& thread : threads)
        thread.join();

    std::vector<std::string> expected;
    long refusedAll = 0;
    for (int p = 0; p < producers; ++p) {
        expected.insert(expected.end(), accepted[p].begin(), accepted[p].end());
        refusedAll += refused[p];
    }
    std::vector<std::string> stored = rowsOf(path, "SELECT gps_data FROM gps_data;");
    std::sort(expected.begin(), expected.end());
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored.size(), expected.size());
    EXPECT_TRUE(stored == expected);
    EXPECT_EQ(manager().refusedCount() - refusedBefore, refusedAll);

    manager().open(path, 5000);
    ASSERT_TRUE(manager().enqueue(GPSData("reopened", UniqueID{})));
    manager().close();
    EXPECT_EQ(count("gps_data"), static_cast<int>(expected.size()) + 1);
}

} // namespace
} // namespace corvane
