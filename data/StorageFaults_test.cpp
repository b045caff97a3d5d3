#include "data/DBManager.h"
#include "data/Database.h"
#include "data/DatabaseException.h"
#include "data/GPSData.h"
#include "data/RowSet.h"
#include "data/StorageHealth.h"
#include "data/StorageListener.h"
#include "data/VehicleInfoContainer.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/TempFolder.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using test::waitFor;

using namespace std::chrono_literals;

class RecordingListener : public StorageListener
{
public:
    void onStorageProblem(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_problems.push_back(text);
    }
    void onStorageRecovered(const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_recoveries.push_back(text);
    }
    std::vector<std::string> problems()
    {
        std::lock_guard lock(m_mutex);
        return m_problems;
    }
    std::vector<std::string> recoveries()
    {
        std::lock_guard lock(m_mutex);
        return m_recoveries;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_problems;
    std::vector<std::string> m_recoveries;
};

long long countOf(const std::string& path, const char* sql)
{
    Database db;
    db.open(path.c_str(), 5000);
    RowSet rows(db, sql);
    return rows.next() && rows.getText(0) != nullptr ? std::stoll(rows.getText(0)) : -1;
}

// Runs SQL on the writer's own connection (a pragma that breaks or mends it).
void onWriterConnection(const std::string& sql)
{
    std::lock_guard lock(DBManager::getDatabaseMutex());
    DBManager::getInstance().getDatabase().execute(sql.c_str());
}

class StorageFaultsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager().setStorageListener(&listener);
        manager().setBatchPeriod(period);
    }
    void TearDown() override
    {
        manager().close();
        manager().setStorageListener(nullptr);
        manager().setBatchPeriod(DBManager::batchPeriodMs);
        manager().setMinFreeBytes(0);
        manager().setKeepDays(0);
        VehicleInfoContainer::getInstance().clear();
    }

    static DBManager& manager() { return DBManager::getInstance(); }

    // count samples of about 80 bytes each, so a few dozen fill a page.
    static void enqueueSamples(int count, const char* time = "2011-05-31 13:45:30")
    {
        const UniqueID vehicle;
        for (int i = 0; i < count; ++i) {
            GPSData sample("$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10"
                           "...............",
                           vehicle);
            sample.setUpdateTime(time);
            ASSERT_TRUE(manager().enqueue(sample));
        }
    }

    long long samples() { return countOf(path, "SELECT count(*) FROM gps_data;"); }

    static constexpr int period = 100;
    RecordingListener listener;
    TempFolder folder;
    std::string path = folder.file("app.db");
};

// A fault of the file keeps every record, is told once however many batches
// meet it, and once mended the kept records are written and that is told once.
struct MendableFault
{
    const char* name;
    std::function<void()> breakIt;
    std::function<void()> mendIt;
};

TEST_F(StorageFaultsTest, FileFaultsAreToldOnceAndKeptRecordsArriveWhenMended)
{
    const MendableFault faults[] = {
        {"read-only", [] { onWriterConnection("PRAGMA query_only = 1;"); },
         [] { onWriterConnection("PRAGMA query_only = 0;"); }},
        // The file cannot grow: what a full disk does to SQLite.
        {"full",
         [] {
             std::lock_guard lock(DBManager::getDatabaseMutex());
             Database& db = DBManager::getInstance().getDatabase();
             RowSet pages(db, "PRAGMA page_count;");
             ASSERT_TRUE(pages.next());
             const std::string sql =
                 "PRAGMA max_page_count = " + std::to_string(pages.getInt(0)) + ";";
             pages.close();
             db.execute(sql.c_str());
         },
         [] { onWriterConnection("PRAGMA max_page_count = 1000000;"); }},
    };
    for (const MendableFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        std::filesystem::remove(path);
        RecordingListener told;
        manager().setStorageListener(&told);
        manager().open(path, 5000);
        fault.breakIt();
        {
            // All 300 in the writer's first batch after the fault: a few
            // taken alone could still fit in the room the full file has left.
            std::lock_guard writerWaits(DBManager::getDatabaseMutex());
            enqueueSamples(300);
        }
        ASSERT_TRUE(waitFor([&] { return !told.problems().empty(); }));
        const long failed = manager().failedBatchCount();
        enqueueSamples(20);
        ASSERT_TRUE(waitFor([&] { return manager().failedBatchCount() >= failed + 3; }));
        EXPECT_EQ(told.problems().size(), 1u);
        EXPECT_NE(told.problems()[0].find(path), std::string::npos) << told.problems()[0];
        EXPECT_EQ(samples(), 0);

        fault.mendIt();
        ASSERT_TRUE(waitFor([&] { return samples() == 320; }));
        ASSERT_TRUE(waitFor([&] { return !told.recoveries().empty(); }));
        enqueueSamples(5);
        ASSERT_TRUE(waitFor([&] { return samples() == 325; }));
        EXPECT_EQ(told.problems().size(), 1u);
        EXPECT_EQ(told.recoveries().size(), 1u);
        manager().close();
    }
}

TEST_F(StorageFaultsTest, AFailedBatchWaitsTheFullPeriodWhateverTheQueueHolds)
{
    manager().open(path, 5000);
    onWriterConnection("PRAGMA query_only = 1;");
    // Far more than a batch's worth waits: before, this retried at once, forever.
    enqueueSamples(3 * DBManager::batchMessages);
    const long before = manager().failedBatchCount();
    ASSERT_TRUE(waitFor([&] { return manager().failedBatchCount() > before; }));
    const long first = manager().failedBatchCount();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitFor([&] { return manager().failedBatchCount() >= first + 3; }));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Start lies between two attempts, so at least two whole periods passed.
    EXPECT_GE(elapsed, std::chrono::milliseconds(2 * period));
    EXPECT_EQ(listener.problems().size(), 1u);
}

TEST_F(StorageFaultsTest, CorruptFileIsToldOnceWithItsNameAndTheRecordsAreKept)
{
    {
        std::ofstream junk(path, std::ios::binary);
        for (int i = 0; i < 4096; ++i)
            junk << "not a database ";
    }
    const long before = manager().failedBatchCount();
    manager().open(path, 5000);
    enqueueSamples(10);
    ASSERT_TRUE(waitFor([&] { return manager().failedBatchCount() >= before + 3; }));
    ASSERT_EQ(listener.problems().size(), 1u);
    EXPECT_NE(listener.problems()[0].find(path), std::string::npos);
    EXPECT_NE(listener.problems()[0].find("not a database"), std::string::npos)
        << listener.problems()[0];
    EXPECT_TRUE(listener.recoveries().empty());
}

TEST_F(StorageFaultsTest, FileThatCannotBeOpenedIsTold)
{
    const std::string missing = folder.file("no-such-folder/app.db");
    EXPECT_THROW(manager().open(missing, 5000), DatabaseException);
    ASSERT_EQ(listener.problems().size(), 1u);
    EXPECT_NE(listener.problems()[0].find(missing), std::string::npos);
}

TEST_F(StorageFaultsTest, BelowTheFreeSpaceFloorNothingIsWrittenUntilSpaceReturns)
{
    // No disk has this much: the floor is never met.
    manager().setMinFreeBytes(std::uint64_t(1) << 62);
    manager().open(path, 5000);
    enqueueSamples(50);
    ASSERT_TRUE(waitFor([&] { return !listener.problems().empty(); }));
    enqueueSamples(50);
    manager().requestBatch();
    ASSERT_EQ(listener.problems().size(), 1u);
    EXPECT_NE(listener.problems()[0].find(folder.path().string()), std::string::npos)
        << listener.problems()[0];
    EXPECT_EQ(samples(), 0);

    manager().setMinFreeBytes(1);
    ASSERT_TRUE(waitFor([&] { return samples() == 100; }));
    ASSERT_TRUE(waitFor([&] { return listener.recoveries().size() == 1; }));
    EXPECT_EQ(listener.problems().size(), 1u);
}

TEST_F(StorageFaultsTest, RecordsBeyondTheQueueAreRefusedAndCounted)
{
    manager().setMinFreeBytes(std::uint64_t(1) << 62);
    manager().open(path, 5000);
    const long before = manager().refusedCount();
    const UniqueID vehicle;
    int accepted = 0;
    for (int i = 0; i < DBManager::queueMessages + 100; ++i)
        accepted += manager().enqueue(GPSData("$GPRMC", vehicle)) ? 1 : 0;
    EXPECT_EQ(accepted, DBManager::queueMessages);
    EXPECT_EQ(manager().refusedCount() - before, 100);
    // The last batch at close writes what was kept, floor or not.
    manager().close();
    EXPECT_EQ(samples(), DBManager::queueMessages);
}

TEST(StorageHealth, EachProblemIsToldOnceAndItsEndOnce)
{
    using P = StorageHealth::Problem;
    struct Step
    {
        P problem;              // None: a batch written
        const char* expectTold; // "" when nothing is told
    };
    const Step steps[] = {
        {P::None, ""},         // all well: nothing to say
        {P::Fault, "problem"}, // first fault
        {P::Fault, ""},        // the same, again and again
        {P::Fault, ""},
        {P::LowSpace, "problem"}, // another kind is news
        {P::None, "recovered"},
        {P::None, ""},
        {P::LowSpace, "problem"}, // it can come back
        {P::Ended, "problem"},
        {P::None, ""}, // a writer that ended does not recover by itself
        {P::Fault, "problem"},
    };
    RecordingListener listener;
    StorageHealth health;
    health.setListener(&listener);
    std::size_t problems = 0;
    std::size_t recoveries = 0;
    for (const Step& step : steps) {
        if (step.problem == P::None)
            health.clear("recovered");
        else
            health.report(step.problem, "problem");
        const bool toldProblem = listener.problems().size() > problems;
        const bool toldRecovery = listener.recoveries().size() > recoveries;
        problems = listener.problems().size();
        recoveries = listener.recoveries().size();
        EXPECT_EQ(toldProblem    ? "problem"
                  : toldRecovery ? "recovered"
                                 : "",
                  std::string(step.expectTold));
    }
}

} // namespace
} // namespace corvane
