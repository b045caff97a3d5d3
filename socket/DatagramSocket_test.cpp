#include "base/SocketException.h"
#include "socket/DatagramSocket.h"
#include "socket/SocketApiWrapper.h"
#include "testsupport/DeadlineWait.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;

// Two datagram sockets bound to ephemeral ports, closed by their owner.
class DatagramPair : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (DatagramSocket* socket : {&a, &b}) {
            socket->create();
            socket->bind(0);
        }
        bPort = b.getLocalAddress().getPort();
        ASSERT_NE(bPort, 0);
    }
    void TearDown() override
    {
        a.close();
        b.close();
    }

    DatagramSocket a, b;
    uint16_t bPort = 0;
};

TEST_F(DatagramPair, TimedTransferReportsTheSender)
{
    int sent = -1;
    ASSERT_TRUE(a.sendTo("$GPRMC", 6, SocketAddress("127.0.0.1", bPort), 5000, sent));
    EXPECT_EQ(sent, 6);
    char buffer[4096];
    SocketAddress from;
    int received = -1;
    ASSERT_TRUE(b.receiveFrom(buffer, sizeof buffer, from, 5000, received));
    EXPECT_EQ(std::string(buffer, received), "$GPRMC");
    EXPECT_STREQ(from.getHostName(), "Unknown");
    EXPECT_STREQ(from.getAddress(), "127.0.0.1");
    EXPECT_EQ(from.getPort(), a.getLocalAddress().getPort());
    EXPECT_TRUE(b.isBlocking());
}

TEST_F(DatagramPair, TimedReceiveRunsOutAndKeepsTheMode)
{
    for (bool blocking : {true, false}) {
        SCOPED_TRACE(blocking);
        b.configureBlocking(blocking);
        char buffer[64];
        SocketAddress from;
        int count = -7;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(b.receiveFrom(buffer, sizeof buffer, from, 50, count));
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_GE(waited, 45ms);
        EXPECT_LT(waited, 5s);
        EXPECT_EQ(count, -7);
        EXPECT_TRUE(from.isUnset());
        EXPECT_EQ(b.isBlocking(), blocking);
        EXPECT_EQ(SocketApiWrapper::isBlocking(b.getHandle()), blocking);
    }
}

TEST_F(DatagramPair, DatagramLongerThanTheBufferRaises)
{
    const SocketAddress to("127.0.0.1", bPort);
    const std::vector<char> longest(4096, 'L'), tooLong(4097, 'T');
    a.sendTo(longest.data(), longest.size(), to);
    a.sendTo(tooLong.data(), tooLong.size(), to);
    a.sendTo("after", 5, to);
    std::vector<char> buffer(4096 + 16, '\0');
    SocketAddress from;
    EXPECT_EQ(b.recvFrom(buffer.data(), 4096, from), 4096);
    try {
        b.recvFrom(buffer.data(), 4096, from);
        ADD_FAILURE() << "oversized datagram accepted";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.getCode(), EMSGSIZE);
        EXPECT_STREQ(e.getMessage(), std::strerror(EMSGSIZE));
    }
    // Nothing was written past the buffer, and the oversized datagram is gone.
    EXPECT_EQ(buffer[4096], '\0');
    int count = 0;
    ASSERT_TRUE(b.receiveFrom(buffer.data(), 4096, from, 5000, count));
    EXPECT_EQ(std::string(buffer.data(), count), "after");
}

// The non-throwing receive: an empty socket is a result, not a failure; what
// arrives after it, and an oversize datagram, are handled as recvFrom does.
TEST_F(DatagramPair, TryReceiveReportsWouldBlockBetweenDatagrams)
{
    b.configureBlocking(false);
    const SocketAddress to("127.0.0.1", bPort);
    std::vector<char> buffer(4096 + 16, '\0');
    SocketAddress from;
    EXPECT_EQ(b.tryRecvFrom(buffer.data(), 4096, from), DatagramSocket::wouldBlock);
    EXPECT_TRUE(from.isUnset());

    const std::vector<char> longest(4096, 'L'), tooLong(4097, 'T');
    a.sendTo(longest.data(), longest.size(), to);
    a.sendTo(tooLong.data(), tooLong.size(), to);
    a.sendTo("after", 5, to);
    EXPECT_EQ(b.tryRecvFrom(buffer.data(), 4096, from), 4096);
    EXPECT_EQ(from.getPort(), a.getLocalAddress().getPort());
    try {
        b.tryRecvFrom(buffer.data(), 4096, from);
        ADD_FAILURE() << "oversized datagram accepted";
    } catch (const SocketException& e) {
        EXPECT_EQ(e.getCode(), EMSGSIZE);
    }
    EXPECT_EQ(buffer[4096], '\0');
    EXPECT_EQ(b.tryRecvFrom(buffer.data(), 4096, from), 5);
    EXPECT_EQ(std::string(buffer.data(), 5), "after");
    // An empty datagram is a count of 0, told apart from the end of the burst.
    a.sendTo("", 0, to);
    EXPECT_EQ(b.tryRecvFrom(buffer.data(), 4096, from), 0);
    EXPECT_EQ(b.tryRecvFrom(buffer.data(), 4096, from), DatagramSocket::wouldBlock);
}

// A signal landing during the wait ends it with false, not with an exception.
TEST_F(DatagramPair, InterruptedWaitReturnsFalse)
{
    struct sigaction action
    {
    }, previous{};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    std::atomic<bool> done{false}, result{true};
    std::atomic<int> count{-1};
    std::thread waiter([&] {
        char buffer[16];
        SocketAddress from;
        int received = -1;
        result = b.receiveFrom(buffer, sizeof buffer, from, 30000, received);
        count = received;
        done = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const pthread_t target = waiter.native_handle();
    EXPECT_TRUE(test::waitFor([&] {
        if (!done)
            pthread_kill(target, SIGUSR1);
        return done.load();
    }));
    waiter.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_FALSE(result);
    EXPECT_EQ(count, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    EXPECT_TRUE(b.isBlocking());
}

TEST(DatagramSocket, FailuresRaiseWithErrnoAndTheSystemText)
{
    DatagramSocket closed;
    char buffer[8];
    int count;
    SocketAddress from;
    struct Case
    {
        const char* label;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"send", [&] { closed.send("x", 1); }},
        {"recvFrom", [&] { closed.recvFrom(buffer, sizeof buffer, from); }},
        {"tryRecvFrom", [&] { closed.tryRecvFrom(buffer, sizeof buffer, from); }},
        {"timed receive", [&] { closed.receiveFrom(buffer, sizeof buffer, from, 10, count); }},
        {"bind", [&] { closed.bind(0); }},
        {"local address", [&] { closed.getLocalAddress(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const SocketException& e) {
            EXPECT_STREQ(e.getName(), "SocketException");
            EXPECT_EQ(e.getCode(), EBADF);
            EXPECT_STREQ(e.getMessage(), std::strerror(EBADF));
        }
    }
}

TEST(DatagramSocket, OnlyCloseReleasesTheHandle)
{
    int handle;
    {
        DatagramSocket socket;
        socket.create();
        handle = socket.getHandle();
        ASSERT_GE(handle, 0);
    }
    EXPECT_NE(fcntl(handle, F_GETFD), -1); // still open after destruction
    DatagramSocket owner;
    owner.create();
    const int ownerHandle = owner.getHandle();
    owner.close();
    EXPECT_EQ(owner.getHandle(), -1);
    EXPECT_EQ(fcntl(ownerHandle, F_GETFD), -1);
    owner.close(); // nothing left to close
    SocketApiWrapper::closeSocket(handle);
    EXPECT_THROW(SocketApiWrapper::closeSocket(handle), SocketException);
}

} // namespace
} // namespace corvane
