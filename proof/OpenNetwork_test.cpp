// The station program on an open network: recorders without a fix, senders
// outside the allowed list, and other programs after its port. (Datagrams that
// name no vehicle are cases of the hostile-input suite.)

#include "data/SetupDatabase.h"
#include "proof/StationFixture.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/RawDatagrams.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane {
namespace {

const char* const vehicle = "0badc0de-0000-4000-8000-00000000e001";

std::string report(const std::string& id, const std::string& sentence)
{
    return test::rawHead("Bus", "100", "DVR", id) + "," + sentence + "*00";
}

const std::string goodFix = "$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,";
const std::string noFix = "$GPRMC,,V,,,,,,,,,,N";

void storeText(StationFixture& station, const char* key, const char* value)
{
    SetupDatabase setup;
    setup.open(station.folder().file("setup.db").c_str(), 5000);
    setup.setString(key, value);
    setup.close();
}

// Sends one datagram from a socket bound to a loopback address of its own.
void sendFrom(const char* source, int port, const std::string& text)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
}

long long count(StationFixture& station, const std::string& sql)
{
    return station.appDb().number(sql);
}

TEST(OpenNetwork, AReportWithoutAFixIsStoredButKeepsTheLastPosition)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    ASSERT_TRUE(station.deliver(report(vehicle, goodFix)));
    ASSERT_TRUE(station.deliver(report(vehicle, noFix)));
    ASSERT_TRUE(test::waitFor([&] { return count(station, "SELECT count(*) FROM gps_data;") == 2; },
                              StationFixture::deadline));
    // The vehicle row is written in the same batch as the samples.
    const std::vector<Row> rows = station.appDb().query(
        "SELECT last_updated_latitude, last_updated_longitude FROM vehicle_info;");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), "37.387458");
    EXPECT_EQ(rows[0].at(1), "-121.972360");
    EXPECT_EQ(count(station, "SELECT count(*) FROM gps_data WHERE gps_data = '" + noFix + "';"), 1);
}

TEST(OpenNetwork, NoOtherSocketCanBindTheStationsPort)
{
    StationFixture station;
    ASSERT_TRUE(station.start()) << station.process().log();
    for (const int reuse : {0, 1}) {
        SCOPED_TRACE(reuse);
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(static_cast<uint16_t>(station.port()));
        errno = 0;
        EXPECT_NE(::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
        EXPECT_EQ(errno, EADDRINUSE);
        ::close(fd);
    }
    // And the recorders' datagrams still reach the station.
    ASSERT_TRUE(station.deliver(report(vehicle, goodFix)));
    EXPECT_TRUE(test::waitFor([&] { return count(station, "SELECT count(*) FROM gps_data;") == 1; },
                              StationFixture::deadline));
}

TEST(OpenNetwork, SendersOutsideTheAllowedListChangeNothing)
{
    StationFixture station;
    storeText(station, "callback/AllowedSenders", "127.0.0.2, 10.0.0.0/8");
    ASSERT_TRUE(station.start()) << station.process().log();
    const char* const stranger = "0badc0de-0000-4000-8000-00000000e002";
    sendFrom("127.0.0.1", station.port(), report(stranger, goodFix));
    sendFrom("127.0.0.2", station.port(), report(vehicle, goodFix));
    ASSERT_TRUE(test::waitFor([&] { return count(station, "SELECT count(*) FROM gps_data;") == 1; },
                              StationFixture::deadline));
    EXPECT_EQ(count(station, "SELECT count(*) FROM vehicle_info;"), 1);
    EXPECT_EQ(count(station, "SELECT count(*) FROM gps_data WHERE vehicle_id = '" +
                                 std::string(vehicle) + "';"),
              1);
}

} // namespace
} // namespace corvane
