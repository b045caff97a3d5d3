// The station program as an operator starts it: one process per station,
// each in its own start-up folder, headless.

#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/RecorderSamples.h"
#include "testsupport/StationProcess.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int deadlineMs = StationFixture::deadlineMs;

std::string report(const std::string& id, int second)
{
    return positionReport(sampleHeader(id, "Bus", 0, 0, second),
                          sampleFix(50.0 + second / 100.0, 8.0, 0, 0, second));
}

// Whether the station ended by itself with this exit code.
::testing::AssertionResult exitedWith(StationProcess& station, int code)
{
    const std::optional<int> status = station.waitExit(deadlineMs);
    if (!status)
        return ::testing::AssertionFailure() << "still running\n" << station.log();
    if (!WIFEXITED(*status) || WEXITSTATUS(*status) != code)
        return ::testing::AssertionFailure() << "wait status " << *status << "\n" << station.log();
    return ::testing::AssertionSuccess();
}

// Everything sent has been taken from the station's socket.
bool taken(StationFixture& station)
{
    return waitFor([&] { return LoopbackSender::receiveQueue(station.port()) == 0L; },
                   StationFixture::deadline);
}

// Where nobody can answer a message box (an invisible platform), a screen
// that is too small ends the start with the message on standard error.
TEST(StationProcess, SmallScreenWithNobodyToAnswerEndsWithTheMessage)
{
    // A setup.db with a free port keeps the station off the default one, which
    // the fault tests need.
    StationFixture fixture;
    StationProcess& station = fixture.process();
    station.setScreen(1000, 600);
    station.start();
    EXPECT_TRUE(exitedWith(station, 1)) << "the station waited on a box nobody can see";
    EXPECT_NE(station.standardError().find("Bad resolution format or unsupported resolution.\n"),
              std::string::npos)
        << station.log();
}

TEST(StationProcess, SecondStartHandsOverAndEndsAtOnce)
{
    StationFixture first;
    ASSERT_TRUE(first.start()) << first.process().log();

    StationProcess second(StationFixture::binary(), first.folder().path().string());
    second.setTempFolder(first.process().tempFolder());
    second.start();
    EXPECT_TRUE(exitedWith(second, 0));
    EXPECT_NE(second.standardOutput().find("already running"), std::string::npos);
    // The instance socket lives in a folder only this user can enter.
    struct stat info = {};
    const std::string privateFolder =
        first.process().tempFolder() + "/orvex-corvane-" + std::to_string(::geteuid());
    ASSERT_EQ(::lstat(privateFolder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(first.process().running());
    first.process().signal(SIGTERM);
    EXPECT_TRUE(first.process().waitExit(deadlineMs).has_value());
}

TEST(StationProcess, ASquattedInstanceFolderNeitherEndsNorCapturesTheStart)
{
    struct Case
    {
        const char* label;
        std::function<void(const std::string&)> squat; // makes the folder's path
    };
    const Case cases[] = {
        {"folder open to everyone",
         [](const std::string& path) {
             std::filesystem::create_directory(path);
             std::filesystem::permissions(path, std::filesystem::perms::all);
         }},
        {"link to another folder",
         [](const std::string& path) {
             std::filesystem::create_directory(path + ".elsewhere");
             std::filesystem::permissions(path + ".elsewhere", std::filesystem::perms::owner_all);
             std::filesystem::create_directory_symlink(path + ".elsewhere", path);
         }},
        {"plain file", [](const std::string& path) { std::ofstream(path) << "x"; }},
        {"folder of another user",
         [](const std::string& path) {
             std::filesystem::create_directory(path);
             std::filesystem::permissions(path, std::filesystem::perms::owner_all);
             // Only root can give a folder away; others see the open-folder case.
             if (::chown(path.c_str(), 65534, 65534) != 0)
                 std::filesystem::permissions(path, std::filesystem::perms::all);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        StationFixture station;
        c.squat(station.process().tempFolder() + "/orvex-corvane-" + std::to_string(::geteuid()));
        ASSERT_TRUE(station.start()) << station.process().log();
        EXPECT_NE(station.process().standardOutput().find("without the single-instance check"),
                  std::string::npos);
        station.process().signal(SIGTERM);
        EXPECT_TRUE(exitedWith(station.process(), 0));
    }
}

// Stations started at the same moment in one folder: one runs, every other
// hands over and ends; the one that runs is the only one to hold the port.
// Once it is killed, the next start runs: nothing it left behind (the socket
// file, the lock, its page's processes) keeps the folder taken.
TEST(StationProcess, StationsStartedTogetherInOneFolderRunOnce)
{
    StationFixture first;
    StationProcess second(StationFixture::binary(), first.folder().path().string());
    second.setTempFolder(first.process().tempFolder());
    StationProcess third(StationFixture::binary(), first.folder().path().string());
    third.setTempFolder(first.process().tempFolder());
    StationProcess* const together[] = {&first.process(), &second, &third};
    for (StationProcess* station : together)
        station->start();

    // Before, all three ran on one app.db.
    ASSERT_TRUE(waitFor(
        [&] {
            int ended = 0;
            for (StationProcess* station : together)
                ended += station->running() ? 0 : 1;
            return ended == 2;
        },
        StationFixture::deadline));
    StationProcess* runner = nullptr;
    int handedOver = 0;
    for (StationProcess* station : together) {
        const std::optional<int> status = station->waitExit(0);
        if (!status) {
            EXPECT_EQ(runner, nullptr) << "two stations run in one folder";
            runner = station;
            continue;
        }
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status << "\n"
                                                                     << station->log();
        EXPECT_NE(station->standardOutput().find("already running"), std::string::npos)
            << station->log();
        ++handedOver;
    }
    ASSERT_NE(runner, nullptr) << "no station runs";
    EXPECT_EQ(handedOver, 2);
    EXPECT_TRUE(waitFor([&] { return LoopbackSender::receiveQueue(first.port()).has_value(); },
                        StationFixture::deadline))
        << runner->log();
    EXPECT_TRUE(runner->running());

    runner->signal(SIGKILL);
    ASSERT_TRUE(runner->waitExit(deadlineMs).has_value());
    StationProcess next(StationFixture::binary(), first.folder().path().string());
    next.setTempFolder(first.process().tempFolder());
    next.start();
    EXPECT_TRUE(waitFor([&] { return LoopbackSender::receiveQueue(first.port()).has_value(); },
                        StationFixture::deadline))
        << next.log();
    EXPECT_TRUE(next.running()) << next.log();
    next.signal(SIGTERM);
    EXPECT_TRUE(exitedWith(next, 0));
}

// Started under nohup (SIGHUP ignored, inherited), the station outlives the
// hang-up it was asked to outlive, and still closes in order on SIGTERM.
TEST(StationProcess, AStartThatIgnoresTheHangUpOutlivesIt)
{
    StationFixture station;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before = {};
    ASSERT_EQ(::sigaction(SIGHUP, &ignore, &before), 0);
    const bool started = station.start();
    ::sigaction(SIGHUP, &before, nullptr);
    ASSERT_TRUE(started) << station.process().log();
    ASSERT_TRUE(station.deliver(report(sampleVehicleId(0), 0)));
    station.process().signal(SIGHUP);
    // An orderly close takes well under this; the default action none.
    EXPECT_FALSE(station.process().waitExit(3000).has_value()) << station.process().log();
    station.process().signal(SIGTERM);
    EXPECT_TRUE(exitedWith(station.process(), 0));
    EXPECT_EQ(station.appDb().number("SELECT count(*) FROM gps_data"), 1);
}

// Each termination signal closes the station in order: every callback
// taken from the socket is stored, including those still waiting in the
// window's queue when the signal comes (the receive thread takes datagrams
// faster than the window handles them).
TEST(StationProcess, TerminationSignalsStoreEveryCallbackTakenFromTheSocket)
{
    constexpr int vehicles = 50;
    constexpr int seconds = 60;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        StationFixture station;
        ASSERT_TRUE(station.start()) << station.process().log();

        // Sent in rounds that the socket can hold whole, each taken before the next.
        for (int second = 0; second < seconds; ++second) {
            for (int v = 0; v < vehicles; ++v)
                station.sender().send(report(sampleVehicleId(v), second));
            if (second % 4 == 3) {
                ASSERT_TRUE(taken(station));
            }
        }
        ASSERT_TRUE(taken(station));
        station.process().signal(number);
        EXPECT_TRUE(exitedWith(station.process(), 0));

        // What the station created holds where the fleet has been: the owner's alone.
        EXPECT_EQ(std::filesystem::status(station.folder().file("app.db")).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        TableRows& db = station.appDb();
        EXPECT_EQ(db.number("SELECT count(*) FROM gps_data"), vehicles * seconds);
        EXPECT_EQ(db.number("SELECT count(*) FROM vehicle_info"), vehicles);
        const std::string last = sampleVehicleId(vehicles - 1);
        EXPECT_EQ(db.number("SELECT count(*) FROM gps_data WHERE vehicle_id = '" + last + "'"),
                  seconds);
        EXPECT_EQ(db.query("SELECT name FROM vehicle_info WHERE id = '" + last + "'"),
                  std::vector<Row>{{"Bus"}});
    }
}

} // namespace
