// The station-process harness with a stand-in program: what the child gets
// (folder, environment, screen), where its output goes, how it ends.

#include "testsupport/StationProcess.h"
#include "testsupport/TempFolder.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace corvane {
namespace {

// A shell script in folder that stands in for the station program.
std::string program(const TempFolder& folder, const std::string& body)
{
    const std::string path = folder.file("station.sh");
    std::ofstream(path) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

TEST(StationProcess, ChildRunsInItsFolderWithItsOwnEnvironmentAndOutputs)
{
    TempFolder bin;
    TempFolder startup;
    const std::string script =
        program(bin, "pwd\necho \"tmp=$TMPDIR home=$HOME runtime=${XDG_RUNTIME_DIR-unset}\"\n"
                     "echo \"platform=$QT_QPA_PLATFORM\"\necho trouble >&2\nexit 3\n");
    StationProcess station(script, startup.path().string());
    station.setScreen(1000, 600);
    station.start();
    const std::optional<int> status = station.waitExit(30000);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 3) << *status;
    EXPECT_FALSE(station.running());

    const std::string out = station.standardOutput();
    EXPECT_EQ(out.substr(0, out.find('\n')), startup.path().string());
    EXPECT_NE(out.find("tmp=" + station.tempFolder() + " home="), std::string::npos) << out;
    EXPECT_NE(out.find("runtime=unset"), std::string::npos) << out;
    EXPECT_EQ(station.standardError(), "trouble\n");
    EXPECT_EQ(station.log(), out + "trouble\n");

    // The screen it was given.
    const auto platform = out.find("platform=offscreen:configfile=");
    ASSERT_NE(platform, std::string::npos) << out;
    const auto start = out.find('=', platform + 9) + 1;
    std::ifstream screens(out.substr(start, out.find('\n', start) - start));
    const std::string layout(std::istreambuf_iterator<char>(screens), {});
    EXPECT_NE(layout.find("\"width\": 1000, \"height\": 600"), std::string::npos) << layout;
}

TEST(StationProcess, SharedTemporaryFolderReachesTheChild)
{
    TempFolder bin;
    TempFolder shared;
    const std::string script = program(bin, "echo \"$TMPDIR\"\n");
    StationProcess station(script, bin.path().string());
    station.setTempFolder(shared.path().string());
    EXPECT_EQ(station.tempFolder(), shared.path().string());
    station.start();
    ASSERT_TRUE(station.waitExit(30000).has_value());
    EXPECT_EQ(station.standardOutput(), shared.path().string() + "\n");
}

TEST(StationProcess, ARunningChildIsSignalledOrKilledWithItsHarness)
{
    TempFolder bin;
    const std::string script = program(bin, "exec sleep 600\n");
    pid_t pid = 0;
    {
        StationProcess station(script, bin.path().string());
        station.start();
        pid = station.pid();
        EXPECT_TRUE(station.running());
        EXPECT_FALSE(station.waitExit(10).has_value());
    }
    // Killed and reaped: the process id names nobody now.
    EXPECT_NE(::kill(pid, 0), 0);

    StationProcess station(script, bin.path().string());
    station.start();
    station.signal(SIGTERM);
    const std::optional<int> status = station.waitExit(30000);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM) << *status;
}

} // namespace
} // namespace corvane
