#include "base/SocketAddressInfoException.h"
#include "base/SocketException.h"
#include "socket/RawSocketAddress.h"
#include "socket/SocketAddress.h"
#include "socket/SocketApiWrapper.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <string>
#include <unistd.h>

namespace corvane {
namespace {

constexpr const char* kUnresolvable = "no-such-host.invalid";

TEST(SocketAddress, DefaultValueIsUnset)
{
    const SocketAddress address;
    EXPECT_TRUE(address.isUnset());
    EXPECT_EQ(address.getAddress(), nullptr);
    EXPECT_EQ(address.getHostName(), nullptr);
    EXPECT_EQ(address.getPort(), 0);
}

TEST(SocketAddress, DottedTextIsKeptAsGiven)
{
    struct Case
    {
        const char* text;
        const char* stored;
    };
    const Case cases[] = {
        {"127.0.0.1", "127.0.0.1"},
        {"255.255.255.255", "255.255.255.255"},
        {"10.1", "10.1"},
        // Too long to keep: stored in canonical form rather than cut.
        {"0x00000000000000000000000000007f.0.0.1", "127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SocketAddress address(c.text, 40000);
        EXPECT_FALSE(address.isUnset());
        EXPECT_STREQ(address.getAddress(), c.stored);
        EXPECT_STREQ(address.getHostName(), "");
        EXPECT_EQ(address.getPort(), 40000);
    }
}

TEST(SocketAddress, NamesAreResolvedAndFailuresCarryTheResolverCode)
{
    SocketAddress local("localhost", 7);
    EXPECT_STREQ(local.getAddress(), "127.0.0.1");

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* answer = nullptr;
    const int expected = getaddrinfo(kUnresolvable, nullptr, &hints, &answer);
    ASSERT_NE(expected, 0);
    SocketAddress address("127.0.0.1", 1);
    try {
        address.setAddress(kUnresolvable, 2);
        ADD_FAILURE() << "resolved";
    } catch (const SocketAddressInfoException& e) {
        EXPECT_STREQ(e.getName(), "SocketAddressInfoException");
        EXPECT_EQ(e.getCode(), expected);
        EXPECT_STREQ(e.getMessage(), gai_strerror(expected));
    }
    // A failed lookup leaves the value as it was.
    EXPECT_STREQ(address.getAddress(), "127.0.0.1");
    EXPECT_EQ(address.getPort(), 1);
}

TEST(SocketAddress, LocalAddressAndReceivedAddress)
{
    char name[65] = {};
    ASSERT_EQ(gethostname(name, 64), 0);
    const SocketAddress local(4242);
    EXPECT_STREQ(local.getHostName(), name);
    EXPECT_STREQ(local.getAddress(), "0.0.0.0");
    EXPECT_EQ(local.getPort(), 4242);
    EXPECT_EQ(&SocketAddress::localAddress(), &SocketAddress::localAddress());

    RawSocketAddress raw;
    ASSERT_TRUE(raw.set("192.168.7.9", 65000));
    const SocketAddress received(raw.get());
    EXPECT_STREQ(received.getHostName(), "Unknown");
    EXPECT_STREQ(received.getAddress(), "192.168.7.9");
    EXPECT_EQ(received.getPort(), 65000); // ports above 32767 stay positive
}

TEST(RawSocketAddress, SetRefusesTextThatIsNotDotted)
{
    RawSocketAddress raw;
    EXPECT_TRUE(raw.set("10.0.0.1", 80));
    EXPECT_EQ(raw.getAddress(), "10.0.0.1");
    EXPECT_EQ(raw.getPort(), 80);
    EXPECT_EQ(raw.get().sin_family, AF_INET);
    EXPECT_FALSE(raw.set("localhost", 80));
    EXPECT_EQ(raw.getAddress(), "0.0.0.0");
}

TEST(SocketApiWrapper, DestinationOfSendAndConnect)
{
    struct Case
    {
        SocketAddress to;
        const char* address;
    };
    const Case cases[] = {
        {SocketAddress(), "255.255.255.255"},
        {SocketAddress("127.0.0.1", 10111), "127.0.0.1"},
        {SocketAddress("255.255.255.255", 10111), "255.255.255.255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const sockaddr_in target = SocketApiWrapper::destination(c.to);
        char text[INET_ADDRSTRLEN];
        ASSERT_NE(inet_ntop(AF_INET, &target.sin_addr, text, sizeof text), nullptr);
        EXPECT_STREQ(text, c.address);
        EXPECT_EQ(target.sin_family, AF_INET);
        EXPECT_EQ(ntohs(target.sin_port), c.to.getPort());
    }
    EXPECT_THROW(SocketApiWrapper::destination(kUnresolvable, 1), SocketException);
}

} // namespace
} // namespace corvane
