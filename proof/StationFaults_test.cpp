// The station program meets the faults of an unattended machine: killed in
// the middle of its writing, its database locked by another program, its
// files unreadable or its folder read-only.

#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/UdpPorts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// Sends numbered reports at a steady rate from a thread of its own, as a busy
// fleet does, and remembers when each left.
class SteadyFleet
{
public:
    SteadyFleet(int port, int perSecond)
        : m_sender(port), m_thread([this, perSecond] { run(perSecond); })
    {}
    ~SteadyFleet() { stop(); }

    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int sent() const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_sentAt.size());
    }
    // How many were sent before t (they are numbered from 0 in that order).
    int sentBefore(Clock::time_point t) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::lower_bound(m_sentAt.begin(), m_sentAt.end(), t) -
                                m_sentAt.begin());
    }

private:
    void run(int perSecond)
    {
        // Sent a hundredth of a second's worth at a time.
        constexpr auto step = 10ms;
        const int perStep = std::max(1, perSecond / 100);
        Clock::time_point due = Clock::now();
        for (int sequence = 0; !m_stop;) {
            for (int i = 0; i < perStep; ++i, ++sequence) {
                m_sender.send(numberedReport(sequence));
                std::lock_guard lock(m_mutex);
                m_sentAt.push_back(Clock::now());
            }
            due += step;
            std::this_thread::sleep_until(due);
        }
    }

    LoopbackSender m_sender;
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_sentAt;
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: runs on the members above
};

// Stored samples whose sequence number is below n.
long long storedBelow(TableRows& db, int n)
{
    return db.number("SELECT count(*) FROM gps_data WHERE CAST(substr(gps_data, 8) AS INTEGER) < " +
                     std::to_string(n) + ";");
}

// Datagrams the kernel dropped for the station's socket so far (0 when it
// has none).
long dropsAt(int port)
{
    return LoopbackSender::drops(port).value_or(0);
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
    // Held 3 seconds, shorter than the busy time-out: the batches of that
    // time run into it and wait.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(station.folder().file("app.db").c_str(), &other), SQLITE_OK);
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

// Killed without warning under a thousand reports a second, the station has
// stored everything sent up to a second before: the batch period bounds what
// a crash costs.
TEST(StationFaults, KillUnderLoadLosesAtMostTheLastSecond)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    SteadyFleet fleet(station.port(), 1000);
    ASSERT_TRUE(test::waitFor([&] { return storedSamples(station.appDb()) >= 2000; },
                              StationFixture::deadline))
        << storedSamples(station.appDb());
    // Any moment is one a kill could fall on: what is committed then holds
    // every report sent up to a second before. Looked at every 50 reports
    // for five seconds, each look read before its moment is taken.
    long long worstShortfall = 0;
    const int lookUntil = fleet.sent() + 5000;
    for (int next = fleet.sent(); next < lookUntil; next += 50) {
        ASSERT_TRUE(test::waitFor([&] { return fleet.sent() >= next; }, StationFixture::deadline));
        const long long committed = storedSamples(station.appDb());
        const int due = fleet.sentBefore(Clock::now() - 1s);
        worstShortfall = std::max(worstShortfall, due - dropsAt(station.port()) - committed);
    }
    EXPECT_LE(worstShortfall, 0) << "reports older than a second were not yet committed";
    const long dropped = dropsAt(station.port());
    const Clock::time_point killed = Clock::now();
    station.process().signal(SIGKILL);
    const auto status = station.process().waitExit(StationFixture::deadlineMs);
    fleet.stop();
    ASSERT_TRUE(status.has_value());
    ASSERT_TRUE(WIFSIGNALED(*status));

    TableRows db(station.folder().file("app.db"));
    EXPECT_EQ(db.query("PRAGMA integrity_check;"), std::vector<Row>{{"ok"}});
    const int dueBefore = fleet.sentBefore(killed - 1s);
    const long long stored = storedSamples(db);
    std::printf("[ figures ] sent before the kill %d, a second before it %d, stored %lld, "
                "dropped by the kernel %ld; before the kill, at worst %lld reports older than a "
                "second were not committed\n",
                fleet.sentBefore(killed), dueBefore, stored, dropped, worstShortfall);
    EXPECT_GE(storedBelow(db, dueBefore), dueBefore - dropped);
    if (dropped == 0) {
        EXPECT_TRUE(storedInOrderWithoutGap(db));
    }
}

// Another program reading app.db in one transaction for 12 seconds (a backup,
// a report) while a thousand reports a second arrive: rows keep arriving
// during the read, and none is lost.
TEST(StationFaults, ALongReadOfAnotherProgramNeitherStopsNorLosesTheWriting)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    const std::string path = station.folder().file("app.db");

    // The reader is a process of its own, as another program would be, made
    // before this one has a connection to app.db (SQLite's state must not
    // cross a fork) or a sending thread (a lock one holds at the fork would
    // stay locked in the child for good). Once rows arrive it begins its read
    // and writes the count it sees then, and at the end of the read again.
    int counts[2];
    ASSERT_EQ(::pipe(counts), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        ::close(counts[0]);
        sqlite3* db = nullptr;
        sqlite3_stmt* count = nullptr;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db, "SELECT count(*) FROM gps_data;", -1, &count, nullptr) !=
                SQLITE_OK)
            ::_exit(2);
        sqlite3_busy_timeout(db, 5000);
        const auto seen = [&] {
            const long long rows =
                sqlite3_step(count) == SQLITE_ROW ? sqlite3_column_int64(count, 0) : -1;
            sqlite3_reset(count);
            return rows;
        };
        const Clock::time_point giveUp = Clock::now() + StationFixture::deadline;
        while (seen() < 500 && Clock::now() < giveUp)
            std::this_thread::sleep_for(10ms);
        if (sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr) != SQLITE_OK)
            ::_exit(3);
        for (int turn = 0; turn < 2; ++turn) {
            if (turn == 1)
                std::this_thread::sleep_for(12s); // the other program's long read
            const long long rows = seen();
            if (rows < 0 || ::write(counts[1], &rows, sizeof rows) != sizeof rows)
                ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(counts[1]);
    SteadyFleet fleet(station.port(), 1000);
    long long seenFirst = -1;
    // Bounded: a reader that never gets going must fail the test, not hang it.
    pollfd first{counts[0], POLLIN, 0};
    ASSERT_EQ(::poll(&first, 1, 2 * StationFixture::deadlineMs), 1) << "the reader never began";
    ASSERT_EQ(::read(counts[0], &seenFirst, sizeof seenFirst), ssize_t{sizeof seenFirst});
    const long long atStart = storedSamples(station.appDb());
    // Counted from outside while the read is held: it ends when the reader
    // has written its second count.
    ::fcntl(counts[0], F_SETFL, O_NONBLOCK);
    long long seenLast = -1;
    const auto readEnded = [&] {
        return seenLast >= 0 || ::read(counts[0], &seenLast, sizeof seenLast) == sizeof seenLast;
    };
    int rises = 0;
    long long last = atStart;
    while (!readEnded()) {
        ASSERT_TRUE(test::waitFor(
            [&] {
                const long long now = storedSamples(station.appDb());
                if (now > last) {
                    last = now;
                    ++rises;
                    return true;
                }
                return readEnded();
            },
            StationFixture::deadline));
    }
    const long long atEnd = storedSamples(station.appDb());
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, 0), reader);
    ::close(counts[0]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::printf("[ figures ] during the 12 s read: %lld rows stored, the count rose %d times\n",
                atEnd - atStart, rises);
    EXPECT_EQ(seenLast, seenFirst) << "the reader did not hold one snapshot";
    // Commits come twice a second; the reader kept its snapshot throughout.
    EXPECT_GE(rises, 12);

    fleet.stop();
    const long dropped = dropsAt(station.port());
    EXPECT_TRUE(
        test::waitFor([&] { return storedSamples(station.appDb()) >= fleet.sent() - dropped; },
                      StationFixture::deadline));
    EXPECT_EQ(storedSamples(station.appDb()), fleet.sent() - dropped);
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(station.appDb().query("PRAGMA journal_mode;"), std::vector<Row>{{"wal"}});
    struct stat info = {};
    for (const char* file : {"app.db", "app.db-wal", "app.db-shm"}) {
        ASSERT_EQ(::stat(station.folder().file(file).c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
    }
}

// A closed terminal or a dropped ssh session (SIGHUP), a service stop
// (SIGTERM) or Ctrl-C (SIGINT) under load closes the station in order: every
// report the kernel took in for it is decided and stored.
TEST(StationFaults, ASignalUnderLoadStoresEveryReportReceived)
{
    for (const int signal : {SIGHUP, SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        StationFixture station;
        ASSERT_TRUE(station.start()) << station.process().log();
        SteadyFleet fleet(station.port(), 1000);
        ASSERT_TRUE(test::waitFor([&] { return fleet.sent() >= 3000; }, StationFixture::deadline));
        fleet.stop();
        const long dropped = dropsAt(station.port());
        station.process().signal(signal);
        const auto status = station.process().waitExit(StationFixture::deadlineMs);
        ASSERT_TRUE(status.has_value());
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status << "\n"
                                                                     << station.process().log();
        TableRows db(station.folder().file("app.db"));
        EXPECT_EQ(storedSamples(db), fleet.sent() - dropped);
        if (dropped == 0) {
            EXPECT_TRUE(storedInOrderWithoutGap(db));
        }
    }
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
