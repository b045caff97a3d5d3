// The station program as an operator starts it: one process per station,
// each in its own start-up folder, headless.

#include "app/testsupport/StationTestSupport.h"
#include "testsupport/TempFolder.h"
#include "proof/LoopbackSender.h"
#include "proof/TableRows.h"
#include "tools/GprmcSentence.h"
#include "tools/RecorderMessageBuilder.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

constexpr int deadlineMs = 60000;

// A station process in a fresh start-up folder of its own; its local
// instance socket lives in that folder too (TMPDIR), apart from any other.
class StationProcess
{
public:
    explicit StationProcess(const TempFolder& folder) : m_folder(folder)
    {
        std::filesystem::create_directories(folder.path() / "tmp");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", QString::fromStdString(folder.file("tmp")));
        env.remove("XDG_RUNTIME_DIR");
        env.insert("QT_QPA_PLATFORM",
                   offscreenPlatform(folder.path().string(), {{0, 0, 1280, 800}}));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(QString::fromStdString(folder.path().string()));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    ~StationProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(deadlineMs);
        }
    }

    bool start()
    {
        m_process.start(QStringLiteral(CORVANE_STATION_BINARY), {});
        return m_process.waitForStarted(deadlineMs);
    }
    bool finished(int ms = deadlineMs) { return m_process.waitForFinished(ms); }
    bool running() const { return m_process.state() == QProcess::Running; }
    int exitCode() const { return m_process.exitCode(); }
    // What the station wrote to its standard output so far.
    std::string output()
    {
        if (m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(1000);
        m_output += m_process.readAllStandardOutput().toStdString();
        return m_output;
    }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }

private:
    const TempFolder& m_folder;
    QProcess m_process;
    std::string m_output;
};

std::string report(const std::string& id, int second)
{
    RecorderHeader header;
    header.id = id;
    header.name = "Bus";
    header.year = 2011;
    header.month = 5;
    header.day = 31;
    header.second = second;
    GprmcFix fix;
    fix.latitude = 50.0 + second / 100.0;
    fix.longitude = 8.0;
    fix.second = second;
    return RecorderMessageBuilder::gpsReport(header, GprmcSentence::format(fix));
}

// The station is up when its callback port is open.
bool receiving(int port)
{
    return waitFor([&] { return LoopbackSender::receiveQueue(port).has_value(); }, deadlineMs);
}

// Where nobody can answer a message box (an invisible platform), a screen
// that is too small ends the start with the message on standard error.
TEST(StationProcess, SmallScreenWithNobodyToAnswerEndsWithTheMessage)
{
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "tmp");
    QProcess station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", QString::fromStdString(folder.file("tmp")));
    env.insert("QT_QPA_PLATFORM", offscreenPlatform(folder.path().string(), {{0, 0, 1000, 600}}));
    station.setProcessEnvironment(env);
    station.setWorkingDirectory(QString::fromStdString(folder.path().string()));
    station.start(QStringLiteral(CORVANE_STATION_BINARY), {});
    ASSERT_TRUE(station.waitForStarted(deadlineMs));
    const bool ended = station.waitForFinished(deadlineMs);
    if (!ended)
        station.kill();
    ASSERT_TRUE(ended) << "the station waited on a box nobody can see";
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 1);
    EXPECT_TRUE(station.readAllStandardError().contains(
        "Bad resolution format or unsupported resolution.\n"));
}

TEST(StationProcess, SecondStartHandsOverAndEndsAtOnce)
{
    TempFolder folder;
    const int port = LoopbackSender::freePort();
    writeSetupPort(folder.file("setup.db"), port);
    StationProcess first(folder);
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(receiving(port));

    StationProcess second(folder);
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.finished());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_NE(second.output().find("already running"), std::string::npos);
    // The instance socket lives in a folder only this user can enter.
    struct stat info = {};
    const std::string privateFolder =
        folder.file("tmp") + "/orvex-corvane-" + std::to_string(::geteuid());
    ASSERT_EQ(::lstat(privateFolder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(first.running());
    first.signal(SIGTERM);
    EXPECT_TRUE(first.finished());
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
        TempFolder folder;
        const int port = LoopbackSender::freePort();
        writeSetupPort(folder.file("setup.db"), port);
        StationProcess station(folder);
        c.squat(folder.file("tmp") + "/orvex-corvane-" + std::to_string(::geteuid()));
        ASSERT_TRUE(station.start());
        ASSERT_TRUE(receiving(port));
        EXPECT_TRUE(station.running());
        EXPECT_NE(station.output().find("without the single-instance check"), std::string::npos);
        station.signal(SIGTERM);
        ASSERT_TRUE(station.finished());
        EXPECT_EQ(station.exitCode(), 0);
    }
}

TEST(StationProcess, TerminationSignalsCloseInOrderAndKeepQueuedRecords)
{
    for (int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(number);
        TempFolder folder;
        const int port = LoopbackSender::freePort();
        writeSetupPort(folder.file("setup.db"), port);
        StationProcess station(folder);
        ASSERT_TRUE(station.start());
        ASSERT_TRUE(receiving(port));

        const std::string id = "0badc0de-0000-4000-8000-00000000000" + std::to_string(number % 10);
        for (int second = 0; second < 5; ++second)
            sendDatagram(port, report(id, second));
        // Everything sent has been taken from the socket before the signal.
        ASSERT_TRUE(waitFor([&] { return LoopbackSender::receiveQueue(port) == 0L; }, deadlineMs));
        station.signal(number);
        ASSERT_TRUE(station.finished());
        EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(station.exitCode(), 0);

        // What the station created holds where the fleet has been: the owner's alone.
        EXPECT_EQ(std::filesystem::status(folder.file("app.db")).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        TableRows db(folder.file("app.db"));
        EXPECT_EQ(db.number("SELECT count(*) FROM gps_data WHERE vehicle_id = '" + id + "'"), 5);
        EXPECT_EQ(firstText(db, "SELECT name FROM vehicle_info WHERE id = '" + id + "'"), "Bus");
    }
}

TEST(StationProcess, UnreadableApplicationDatabaseDoesNotEndTheStation)
{
    TempFolder folder;
    const int port = LoopbackSender::freePort();
    writeSetupPort(folder.file("setup.db"), port);
    const std::string garbage(4096, 'x');
    std::ofstream(folder.file("app.db")) << garbage;
    StationProcess station(folder);
    ASSERT_TRUE(station.start());
    ASSERT_TRUE(receiving(port));
    sendDatagram(port, report("0badc0de-0000-4000-8000-0000000000aa", 1));
    ASSERT_TRUE(waitFor([&] { return LoopbackSender::receiveQueue(port) == 0L; }, deadlineMs));
    EXPECT_TRUE(station.running());
    station.signal(SIGTERM);
    ASSERT_TRUE(station.finished());
    EXPECT_EQ(station.exitCode(), 0);
    std::ifstream kept(folder.file("app.db"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), garbage);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(StationProcess, TerminationStoresEveryCallbackTakenFromTheSocket)
{
    TempFolder folder;
    const int port = LoopbackSender::freePort();
    writeSetupPort(folder.file("setup.db"), port);
    StationProcess station(folder);
    ASSERT_TRUE(station.start());
    ASSERT_TRUE(receiving(port));

    // The receive thread takes datagrams faster than the window handles them,
    // so callbacks wait in the window's queue when the signal comes. Sent in
    // rounds that the socket can hold whole, each taken before the next.
    constexpr int vehicles = 50;
    constexpr int seconds = 60;
    for (int second = 0; second < seconds; ++second) {
        for (int v = 0; v < vehicles; ++v) {
            char id[40];
            std::snprintf(id, sizeof id, "0badc0de-0000-4000-8000-%012d", v);
            sendDatagram(port, report(id, second));
        }
        if (second % 4 == 3)
            ASSERT_TRUE(
                waitFor([&] { return LoopbackSender::receiveQueue(port) == 0L; }, deadlineMs));
    }
    ASSERT_TRUE(waitFor([&] { return LoopbackSender::receiveQueue(port) == 0L; }, deadlineMs));
    station.signal(SIGTERM);
    ASSERT_TRUE(station.finished());
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);

    TableRows db(folder.file("app.db"));
    EXPECT_EQ(db.number("SELECT count(*) FROM gps_data"), vehicles * seconds);
    EXPECT_EQ(db.number("SELECT count(*) FROM vehicle_info"), vehicles);
}
