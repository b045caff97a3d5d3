#include "callback/Selector.h"
#include "socket/DatagramSocket.h"
#include "socket/SocketAddress.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

// A datagram socket bound to an ephemeral port on all addresses; closed at the end.
struct BoundDatagramSocket
{
    DatagramSocket socket;
    int port = 0;

    BoundDatagramSocket()
    {
        socket.create();
        socket.bind(0);
        port = socket.getLocalAddress().getPort();
    }
    ~BoundDatagramSocket() { socket.close(); }

    // Sends one datagram to itself, so that it becomes readable.
    void makeReadable()
    {
        SocketAddress self("127.0.0.1", static_cast<uint16_t>(port));
        socket.sendTo("ping", 4, self);
    }
};

long elapsedMs(Clock::time_point since)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

} // namespace

TEST(SelectorTest, SelectNowWithNothingRegisteredReturnsZero)
{
    Selector selector;
    std::vector<SelectionKey> selected;
    EXPECT_EQ(selector.selectNow(selected), 0);
    EXPECT_TRUE(selected.empty());
}

TEST(SelectorTest, SeveralWakeupsEndOneWaitOnly)
{
    Selector selector;
    BoundDatagramSocket quiet;
    selector.registerSocket(quiet.socket, SelectionKey::OpRead, nullptr);

    // The caller's list is appended to, never emptied: a woken wait leaves it alone.
    std::vector<SelectionKey> selected(1);
    selector.wakeup();
    selector.wakeup();
    selector.wakeup();
    auto start = Clock::now();
    EXPECT_EQ(selector.select(selected, 10000), 0);
    EXPECT_LT(elapsedMs(start), 5000);
    EXPECT_EQ(selected.size(), 1u);

    // The one byte in flight was consumed: the next waits run to their limit.
    EXPECT_EQ(selector.selectNow(selected), 0);
    start = Clock::now();
    EXPECT_EQ(selector.select(selected, 150), 0);
    EXPECT_GE(elapsedMs(start), 140);
    EXPECT_EQ(selected.size(), 1u);
}

TEST(SelectorTest, WakeupFromAnotherThreadEndsAnUntimedWait)
{
    Selector selector;
    for (int round = 0; round < 3; ++round) {
        std::thread waker([&] { selector.wakeup(); });
        std::vector<SelectionKey> selected;
        EXPECT_EQ(selector.select(selected), 0);
        EXPECT_TRUE(selected.empty());
        waker.join();
    }
}

TEST(SelectorTest, ReadyOpsFollowTheInterest)
{
    // A datagram socket with a datagram waiting is readable and writable.
    struct Case
    {
        int interest;
        int ready;
        int count;
    } cases[] = {
        {SelectionKey::OpRead, SelectionKey::OpRead, 1},
        {SelectionKey::OpAccept | SelectionKey::OpRead, SelectionKey::OpAccept, 1},
        {SelectionKey::OpWrite, SelectionKey::OpWrite, 1},
        {SelectionKey::OpConnect | SelectionKey::OpWrite, SelectionKey::OpConnect, 1},
        {SelectionKey::OpRead | SelectionKey::OpWrite, SelectionKey::OpRead | SelectionKey::OpWrite,
         2},
        {SelectionKey::OpAccept | SelectionKey::OpConnect,
         SelectionKey::OpAccept | SelectionKey::OpConnect, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.interest);
        Selector selector;
        BoundDatagramSocket socket;
        socket.makeReadable();
        int attachment = 0;
        selector.registerSocket(socket.socket, c.interest, &attachment);
        std::vector<SelectionKey> selected;
        EXPECT_EQ(selector.select(selected, 5000), c.count);
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(selected[0].socket, &socket.socket);
        EXPECT_EQ(selected[0].interestOps, c.interest);
        EXPECT_EQ(selected[0].readyOps, c.ready);
        EXPECT_EQ(selected[0].attachment, &attachment);
    }
}

TEST(SelectorTest, RegistrationsAreOnePerHandle)
{
    Selector selector;
    BoundDatagramSocket a, b;
    a.makeReadable();
    int first = 1, second = 2;
    selector.registerSocket(a.socket, SelectionKey::OpWrite, &first);
    SelectionKey stored = selector.registerSocket(a.socket, SelectionKey::OpRead, &second);
    EXPECT_EQ(stored.interestOps, SelectionKey::OpRead);
    EXPECT_EQ(stored.readyOps, 0);
    EXPECT_EQ(selector.keyCount(), 1u);

    std::vector<SelectionKey> selected;
    EXPECT_EQ(selector.select(selected, 5000), 1);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].readyOps, SelectionKey::OpRead);
    EXPECT_EQ(selected[0].attachment, &second);

    selector.registerSocket(b.socket, SelectionKey::OpRead, nullptr);
    EXPECT_EQ(selector.unregister(a.socket), 1);
    EXPECT_EQ(selector.unregister(a.socket), 0);
    EXPECT_EQ(selector.keyCount(), 1u);
    // a is readable but no longer watched; b has nothing.
    selected.clear();
    EXPECT_EQ(selector.selectNow(selected), 0);
    EXPECT_TRUE(selected.empty());
    selector.clear();
    EXPECT_EQ(selector.keyCount(), 0u);
}

TEST(SelectorTest, ReadyKeysComeInHandleOrder)
{
    Selector selector;
    std::vector<std::unique_ptr<BoundDatagramSocket>> sockets;
    for (int i = 0; i < 5; ++i)
        sockets.push_back(std::make_unique<BoundDatagramSocket>());
    // Register in reverse; make every other one readable.
    for (int i = 4; i >= 0; --i)
        selector.registerSocket(sockets[i]->socket, SelectionKey::OpRead, nullptr);
    for (int i = 0; i < 5; i += 2)
        sockets[i]->makeReadable();
    std::vector<SelectionKey> selected;
    // Datagrams to oneself are queued before sendTo returns.
    EXPECT_EQ(selector.selectNow(selected), 3);
    ASSERT_EQ(selected.size(), 3u);
    for (size_t i = 1; i < selected.size(); ++i)
        EXPECT_LT(selected[i - 1].socket->getHandle(), selected[i].socket->getHandle());
}

TEST(SelectorTest, WaitOnAHandleThatIsNotOpenFails)
{
    Selector selector;
    DatagramSocket socket;
    socket.create();
    std::vector<SelectionKey> selected;
    EXPECT_EQ(selector.select(selected, -5), -1); // a negative limit is refused
    selector.registerSocket(socket, SelectionKey::OpRead, nullptr);
    socket.close();
    EXPECT_EQ(selector.selectNow(selected), -1);
    EXPECT_EQ(selector.keyCount(), 1u);
    EXPECT_TRUE(selected.empty());
}

TEST(SelectorTest, HandlesBeyondTheSetBoundAreLeftOut)
{
    // 1100 readable sockets: the read set holds the wake-up reader and 1023 of
    // them; handles of 1024 and above must work as well as low ones.
    Selector selector;
    std::vector<std::unique_ptr<BoundDatagramSocket>> sockets;
    for (int i = 0; i < 1100; ++i) {
        sockets.push_back(std::make_unique<BoundDatagramSocket>());
        sockets.back()->makeReadable();
        selector.registerSocket(sockets.back()->socket, SelectionKey::OpRead, nullptr);
    }
    ASSERT_GE(sockets.back()->socket.getHandle(), 1024);
    std::vector<SelectionKey> selected;
    EXPECT_EQ(selector.selectNow(selected), Selector::maxHandlesPerSet - 1);
    EXPECT_EQ(selected.size(), size_t(Selector::maxHandlesPerSet - 1));
}
