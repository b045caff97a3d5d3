// The station program meets the faults of an unattended machine: killed in
// the middle of its writing, its database locked by another program, its
// files unreadable or its folder read-only.

#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/UdpPorts.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const vehicle = "0badc0de-0000-4000-8000-00000000f001";

// A position report whose sentence carries a sequence number, so stored rows
// show both loss and order.
std::string numberedReport(int sequence)
{
    return std::string("Bus,100,0,x,DVR,0,131794207,863518,a,0,b,") + vehicle + ",$GPRMC," +
           std::to_string(sequence) + "*00";
}

// Whether the stored samples are exactly sequence numbers 0 .. n-1, in order.
::testing::AssertionResult storedInOrderWithoutGap(TableRows& db)
{
    const std::vector<Row> rows = db.query("SELECT gps_data FROM gps_data ORDER BY id;");
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].at(0) != "$GPRMC," + std::to_string(i))
            return ::testing::AssertionFailure()
                   << "row " << i << " holds " << rows[i].at(0) << " of " << rows.size();
    return ::testing::AssertionSuccess();
}

long long storedSamples(TableRows& db)
{
    return db.number("SELECT count(*) FROM gps_data;");
}

// Another program holding app.db's exclusive lock: the station's next batch
// waits for it (its busy time-out is 5 seconds) and then writes everything.
TEST(StationFaults, DatabaseLockedByAnotherProgramDelaysTheBatchButLosesNothing)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    ASSERT_TRUE(station.deliver(numberedReport(0)));
    ASSERT_TRUE(test::waitFor([&] { return storedSamples(station.appDb()) == 1; },
                              StationFixture::deadline));
    // The writer sleeps 5 seconds after each batch: take the lock 3.5 seconds
    // after this one and hold it 3 seconds, so the next batch runs into it.
    const Clock::time_point committed = Clock::now();

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(station.folder().file("app.db").c_str(), &other), SQLITE_OK);
    std::this_thread::sleep_until(committed + 3500ms);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    const Clock::time_point locked = Clock::now();
    for (int sequence = 1; sequence <= 20; ++sequence)
        ASSERT_TRUE(station.deliver(numberedReport(sequence)));
    std::this_thread::sleep_until(locked + 3s);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(other, "SELECT count(*) FROM gps_data;", -1, &count, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    const int storedWhileLocked = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    ASSERT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    EXPECT_EQ(storedWhileLocked, 1);
    ASSERT_TRUE(test::waitFor([&] { return storedSamples(station.appDb()) == 21; },
                              StationFixture::deadline))
        << storedSamples(station.appDb());
    EXPECT_TRUE(storedInOrderWithoutGap(station.appDb()));
    EXPECT_TRUE(station.process().running()) << station.process().log();
}

// Killed without warning while reports stream in: the file is sound and holds
// every batch that had committed, each whole and in order.
TEST(StationFaults, KillDuringBatchesLeavesEveryCommittedBatch)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    int sequence = 0;
    long long committed = 0;
    int commits = 0;
    const Clock::time_point end = Clock::now() + 60s;
    // 200 reports a second until three batches have been seen to commit.
    while (commits < 3 && Clock::now() < end) {
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(station.sender().send(numberedReport(sequence++)));
        std::this_thread::sleep_for(100ms);
        const long long stored = storedSamples(station.appDb());
        if (stored > committed) {
            committed = stored;
            ++commits;
        }
    }
    ASSERT_EQ(commits, 3) << "the station stored no batch";
    for (int i = 0; i < 20; ++i)
        station.sender().send(numberedReport(sequence++));
    station.process().signal(SIGKILL);
    const auto status = station.process().waitExit(StationFixture::deadlineMs);
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(WIFSIGNALED(*status));

    TableRows db(station.folder().file("app.db"));
    EXPECT_EQ(db.query("PRAGMA integrity_check;"), std::vector<Row>{{"ok"}});
    EXPECT_GE(storedSamples(db), committed);
    EXPECT_TRUE(storedInOrderWithoutGap(db));
}

// A file the station cannot use, or a folder it cannot write: it starts with
// its defaults (port 10111 when setup.db gives none), keeps receiving and
// keeps running; where app.db works, reports are stored.
TEST(StationFaults, UnusableFilesOrFolderStillStartAndReceive)
{
    constexpr uid_t nobody = 65534;
    struct Case
    {
        const char* label;
        std::function<void(const std::filesystem::path&)> prepare;
        bool portInSetup; // setup.db names a free port; else the default
        std::optional<uid_t> user;
        bool stores;    // app.db can be written
        bool appDbKept; // app.db holds what prepare wrote when the station has ended
    };
    const auto garbage = [](const std::filesystem::path& file) {
        std::ofstream(file) << std::string(4096, 'x');
    };
    const Case cases[] = {
        {"setup.db is not a database", [&](const auto& folder) { garbage(folder / "setup.db"); },
         false, std::nullopt, true, false},
        // A file the station cannot read is not one it may overwrite.
        {"app.db is not a database", [&](const auto& folder) { garbage(folder / "app.db"); }, true,
         std::nullopt, false, true},
        {"app.db is a folder",
         [](const auto& folder) { std::filesystem::create_directory(folder / "app.db"); }, true,
         std::nullopt, false, false},
        {"both files unreadable to the station's user",
         [&](const auto& folder) {
             garbage(folder / "setup.db");
             garbage(folder / "app.db");
             ::chmod((folder / "setup.db").c_str(), 0);
             ::chmod((folder / "app.db").c_str(), 0);
             ::chmod(folder.c_str(), 0777);
         },
         false, nobody, false, true},
        {"start-up folder read-only to the station's user",
         [](const auto& folder) { ::chmod(folder.c_str(), 0555); }, false, nobody, false, false},
    };
    const auto appDbText = [](StationFixture& station) {
        std::ifstream file(station.folder().file("app.db"));
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_FALSE(LoopbackSender::receiveQueue(StationFixture::defaultPort).has_value())
            << "another program holds the default port " << StationFixture::defaultPort;
        StationFixture station(c.portInSetup ? test::freeUdpPort() : 0);
        c.prepare(station.folder().path());
        const std::string appDbBefore = c.appDbKept ? appDbText(station) : std::string();
        ASSERT_TRUE(station.start(c.user)) << station.process().log();
        for (int sequence = 0; sequence < 3; ++sequence)
            ASSERT_TRUE(station.deliver(numberedReport(sequence)));
        if (c.stores) {
            EXPECT_TRUE(test::waitFor([&] { return storedSamples(station.appDb()) == 3; },
                                      StationFixture::deadline));
            EXPECT_TRUE(storedInOrderWithoutGap(station.appDb()));
        }
        EXPECT_TRUE(station.process().running()) << station.process().log();
        station.process().signal(SIGTERM);
        const auto status = station.process().waitExit(StationFixture::deadlineMs);
        ASSERT_TRUE(status.has_value());
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status << "\n"
                                                                     << station.process().log();
        if (c.appDbKept) {
            EXPECT_EQ(appDbText(station), appDbBefore);
        }
    }
}

} // namespace
} // namespace corvane
