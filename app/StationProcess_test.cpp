// The station program as an operator starts it: one process per station,
// each in its own start-up folder, headless.

#include "app/testsupport/StationTestSupport.h"
#include "data/TempFolder.h"
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
#include <gtest/gtest.h>
#include <signal.h>

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
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }

private:
    const TempFolder& m_folder;
    QProcess m_process;
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
    EXPECT_TRUE(first.running());
    first.signal(SIGTERM);
    EXPECT_TRUE(first.finished());
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
