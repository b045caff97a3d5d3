#include "base/SocketException.h"
#include "callback/CallbackServerImpl.h"
#include "callback/DropCounts.h"
#include "socket/DatagramSocket.h"
#include "socket/SocketAddress.h"
#include "testsupport/BlockedUdpPort.h"
#include "testsupport/DeadlineWait.h"
#include "testsupport/UdpPorts.h"
#include "thread/Thread.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

struct Received
{
    std::string name;
    int32_t type;
    std::string address;
    int32_t port;
    std::string threadName;
};

// Keeps copies of what the server reports and lets the test wait for it.
class RecordingDelegate : public CallbackServerDelegate
{
public:
    bool onCallbackReceived(const CallbackInfo& record) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_throwNext) {
            m_throwNext = false;
            throw std::runtime_error("delegate failure");
        }
        m_records.push_back({record.getName(), record.getType(), record.getAddress(),
                             record.getPort(), Thread::currentThread().getName()});
        if (m_closed)
            ++m_afterClose;
        m_changed.notify_all();
        return true;
    }
    void onServerError(const char* text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_errors.push_back(text ? text : "");
        m_changed.notify_all();
    }
    void onReceptionFailed(const char* text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failures.push_back(text ? text : "");
    }
    std::vector<std::string> failures()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failures;
    }

    // Waits until a record with this name came; false after the deadline.
    bool waitForName(const std::string& name, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] {
            for (const auto& r : m_records) {
                if (r.name == name)
                    return true;
            }
            return false;
        });
    }
    std::vector<Received> records()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_records;
    }
    std::vector<std::string> errors()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_errors;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_records.clear();
        m_errors.clear();
    }
    // From now on, records count as arriving too late.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    int afterClose()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_afterClose;
    }
    void throwNext()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_throwNext = true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Received> m_records;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_failures;
    bool m_closed = false;
    bool m_throwNext = false;
    int m_afterClose = 0;
};

int threadCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// The thread count once the threads of earlier tests have gone: a stopped server's thread
// is detached and may still be leaving the process when its owner returns.
int settledThreadCount()
{
    test::waitFor([] { return threadCount() == 1; }, std::chrono::seconds(2));
    return threadCount();
}

// Holds the receive thread in its first callback until released, so that
// datagrams pile up in the socket behind it.
class HoldingDelegate : public RecordingDelegate
{
public:
    bool onCallbackReceived(const CallbackInfo& record) override
    {
        {
            std::unique_lock lock(m_gate);
            m_held = true;
            m_turn.notify_all();
            m_turn.wait(lock, [&] { return m_released; });
        }
        return RecordingDelegate::onCallbackReceived(record);
    }
    bool waitHeld()
    {
        std::unique_lock lock(m_gate);
        return m_turn.wait_for(lock, 10s, [&] { return m_held; });
    }
    void release()
    {
        std::lock_guard lock(m_gate);
        m_released = true;
        m_turn.notify_all();
    }

private:
    std::mutex m_gate;
    std::condition_variable m_turn;
    bool m_held = false;
    bool m_released = false;
};

// Whether the thread of this process with this id sleeps (its state 'S').
bool threadSleeps(pid_t tid)
{
    FILE* stat = std::fopen(("/proc/self/task/" + std::to_string(tid) + "/stat").c_str(), "r");
    if (stat == nullptr)
        return false;
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* end = read ? std::strrchr(line, ')') : nullptr;
    return end != nullptr && end[1] == ' ' && end[2] == 'S';
}

// The sending side of a recorder.
class Recorder
{
public:
    Recorder()
    {
        m_socket.create();
        m_socket.bind(0);
        m_port = m_socket.getLocalAddress().getPort();
    }
    ~Recorder() { m_socket.close(); }
    int port() const { return m_port; }
    void send(int serverPort, const std::string& text)
    {
        SocketAddress to("127.0.0.1", static_cast<uint16_t>(serverPort));
        m_socket.sendTo(text.data(), static_cast<int>(text.size()), to);
    }

private:
    DatagramSocket m_socket;
    int m_port = 0;
};

// A named message of exactly `size` bytes ("name,7,..." padded with field text).
std::string messageOfSize(const std::string& name, size_t size)
{
    std::string text = name + ",7,0,x";
    if (size < text.size())
        return std::string(size, 'a');
    text.append(size - text.size(), 'y');
    return text;
}

// The descriptor of this process's UDP socket bound to port; -1 when none.
int udpSocketOnPort(int port)
{
    DIR* d = opendir("/proc/self/fd");
    if (d == nullptr)
        return -1;
    int found = -1;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        const int fd = std::stoi(e->d_name);
        int type = 0;
        socklen_t typeLength = sizeof type;
        sockaddr_in a{};
        socklen_t length = sizeof a;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0 && type == SOCK_DGRAM &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0 &&
            a.sin_family == AF_INET && ntohs(a.sin_port) == port)
            found = fd;
    }
    closedir(d);
    return found;
}

} // namespace

TEST(CallbackServerImplTest, AFailedWaitIsReportedAndTheSamePortOpensAgain)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    const int port = test::freeUdpPort();
    server.start(port);
    Recorder recorder;
    recorder.send(port, "before,100,0,x,cam,0,131794207,863518");
    ASSERT_TRUE(delegate.waitForName("before"));

    // The socket's descriptor closed under the server: its next wait fails.
    const int fd = udpSocketOnPort(port);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    // (Receives that meet the closed descriptor first are reported as
    // receive errors, as any failed receive is.)
    ASSERT_TRUE(test::waitFor([&] { return !delegate.failures().empty(); }, 20s));
    EXPECT_EQ(delegate.failures().size(), 1u);
    // Reception comes back on the same port by itself.
    for (int i = 0; !delegate.waitForName("after", 200ms); ++i) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        recorder.send(port, "after,100,0,x,cam,0,131794207,863518");
    }
    EXPECT_EQ(delegate.failures().size(), 1u);
    EXPECT_EQ(server.getPort(), port);
    server.stop();
}

TEST(CallbackServerImplTest, DatagramsReachTheDelegateInArrivalOrder)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    int port = test::freeUdpPort();
    server.start(port);
    EXPECT_EQ(server.getPort(), port);

    Recorder recorder;
    for (int i = 0; i < 50; ++i)
        recorder.send(port, "Bus " + std::to_string(i) + ",100,0,x,cam,0,131794207,863518");
    ASSERT_TRUE(delegate.waitForName("Bus 49"));
    server.stop();
    EXPECT_EQ(server.getPort(), 0);

    auto records = delegate.records();
    ASSERT_EQ(records.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(records[i].name, "Bus " + std::to_string(i));
        EXPECT_EQ(records[i].type, 100);
        EXPECT_EQ(records[i].address, "127.0.0.1");
        EXPECT_EQ(records[i].port, recorder.port());
        EXPECT_EQ(records[i].threadName, "Callback Server");
    }
    EXPECT_TRUE(delegate.errors().empty());
}

TEST(CallbackServerImplTest, OnlyDatagramsOfOneTo4094BytesAreAccepted)
{
    RecordingDelegate delegate;
    DropCounts counts;
    CallbackServerImpl server(delegate, &counts);
    int port = test::freeUdpPort();
    server.start(port);
    Recorder recorder;

    struct Case
    {
        size_t size;
        bool delivered;
        bool oversized;
    } cases[] = {
        {0, false, false},   {1, true, false},    {4093, true, false}, {4094, true, false},
        {4095, false, true}, {4096, false, true}, {4097, false, true}, {65000, false, true},
    };
    int sentinel = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        delegate.clear();
        const std::uint64_t oversizedBefore = counts.figures().oversized;
        std::string text =
            c.size == 1 ? "Z" : messageOfSize("Size" + std::to_string(c.size), c.size);
        ASSERT_EQ(text.size(), c.size);
        recorder.send(port, text);
        // A datagram sent after it on the same path arrives after it.
        std::string mark = "Sentinel" + std::to_string(++sentinel);
        recorder.send(port, mark);
        ASSERT_TRUE(delegate.waitForName(mark));
        auto records = delegate.records();
        EXPECT_EQ(records.size(), c.delivered ? 2u : 1u);
        if (c.delivered) {
            EXPECT_EQ(records[0].name, c.size == 1 ? "Z" : "Size" + std::to_string(c.size));
        }
        // Too long is the sender's fault: counted, never a server error.
        EXPECT_TRUE(delegate.errors().empty());
        EXPECT_EQ(counts.figures().oversized - oversizedBefore, c.oversized ? 1u : 0u);
    }
    server.stop();
}

TEST(CallbackServerImplTest, StartOnAPortInUseReportsOnceAndRunsNothing)
{
    // A socket bound without address reuse keeps every other socket off the port.
    test::BlockedUdpPort blocker;
    const int port = blocker.port();

    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    int threadsBefore = settledThreadCount();
    server.start(port);
    EXPECT_EQ(delegate.errors().size(), 1u);
    EXPECT_FALSE(delegate.errors().empty() || delegate.errors()[0].empty());
    EXPECT_EQ(threadCount(), threadsBefore);
    server.stop();
    EXPECT_EQ(delegate.errors().size(), 1u);

    // The failed start left nothing bound: the port is free once the blocker goes.
    blocker.release();
    EXPECT_TRUE(test::udpPortIsFree(port));

    // And the server starts normally afterwards.
    server.start(port);
    Recorder recorder;
    recorder.send(port, "After,1");
    EXPECT_TRUE(delegate.waitForName("After"));
    server.stop();
}

TEST(CallbackServerImplTest, PortsOutsideTheRangeAreRefused)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    int threadsBefore = settledThreadCount();
    for (int port : {-1, 65536, 70000}) {
        SCOPED_TRACE(port);
        delegate.clear();
        server.start(port);
        EXPECT_EQ(delegate.errors().size(), 1u);
        EXPECT_EQ(threadCount(), threadsBefore);
    }
    server.stop();
}

TEST(CallbackServerImplTest, StopReturnsWithoutWaitingForTheSelectorLimit)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    server.stop(); // never started: returns at once
    for (int i = 0; i < 3; ++i) {
        server.start(test::freeUdpPort());
        auto start = std::chrono::steady_clock::now();
        server.stop();
        // Well below the 5-second wait the loop would otherwise sit out.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    }
}

TEST(CallbackServerImplTest, PortChangeWhileDatagramsArrive)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    int oldPort = test::freeUdpPort();
    server.start(oldPort);

    std::atomic<bool> sending{true};
    std::thread flood([&] {
        Recorder recorder;
        while (sending) {
            try {
                recorder.send(oldPort, "Old,100");
            } catch (const SocketException&) {
                // the closed port may answer with an error; keep sending
            }
        }
    });
    ASSERT_TRUE(delegate.waitForName("Old"));
    server.stop();
    delegate.close();
    int newPort = test::freeUdpPort();
    while (newPort == oldPort)
        newPort = test::freeUdpPort();
    server.start(newPort);
    Recorder recorder;
    recorder.send(newPort, "New,100");
    EXPECT_TRUE(delegate.waitForName("New"));
    sending = false;
    flood.join();
    server.stop();

    // Every record after the first stop came from the new port.
    auto records = delegate.records();
    int fromNew = 0;
    for (const auto& r : records)
        fromNew += r.name == "New";
    EXPECT_EQ(fromNew, 1);
    EXPECT_EQ(delegate.afterClose(), 1);
}

// An orderly stop (the station's close) takes what the system had already
// received for it before the socket closes, instead of dropping it.
TEST(CallbackServerImplTest, StopHandsOnTheDatagramsWaitingInTheSocket)
{
    HoldingDelegate delegate;
    CallbackServerImpl server(delegate);
    const int port = test::freeUdpPort();
    server.start(port);
    Recorder recorder;
    recorder.send(port, "Bus 0,100,0,x");
    ASSERT_TRUE(delegate.waitHeld());
    constexpr int waiting = 200;
    for (int i = 1; i <= waiting; ++i)
        recorder.send(port, "Bus " + std::to_string(i) + ",100,0,x");
    std::atomic<pid_t> stopper{0};
    std::thread stopping([&] {
        stopper = static_cast<pid_t>(::syscall(SYS_gettid));
        server.stop();
    });
    // Released once stop waits for the thread: the thread sees stop before
    // it has taken the rest.
    EXPECT_TRUE(test::waitFor([&] { return stopper != 0 && threadSleeps(stopper); }));
    delegate.release();
    stopping.join();
    const std::vector<Received> records = delegate.records();
    ASSERT_EQ(records.size(), std::size_t{waiting + 1});
    for (int i = 0; i <= waiting; ++i)
        EXPECT_EQ(records[i].name, "Bus " + std::to_string(i));
}

TEST(CallbackServerImplTest, AFailingDelegateCostsOneDatagramOnly)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    int port = test::freeUdpPort();
    server.start(port);
    delegate.throwNext();
    Recorder recorder;
    recorder.send(port, "Lost,1");
    recorder.send(port, "Kept,1");
    EXPECT_TRUE(delegate.waitForName("Kept"));
    server.stop();
    EXPECT_EQ(delegate.records().size(), 1u);
}

TEST(CallbackServerImplTest, DestructionStopsARunningServer)
{
    RecordingDelegate delegate;
    int port = test::freeUdpPort();
    {
        CallbackServerImpl server(delegate);
        server.start(port);
        server.start(test::freeUdpPort()); // a second start stops the first run
        Recorder recorder;
        recorder.send(port, "Old,1");
        recorder.send(server.getPort(), "Current,1");
        EXPECT_TRUE(delegate.waitForName("Current"));
    }
    for (const auto& r : delegate.records())
        EXPECT_NE(r.name, "Old");
}

namespace {

// A datagram socket bound to one loopback address, optionally with address reuse.
int boundSocket(const char* address, int port, bool reuse)
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = reuse ? 1 : 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendFrom(int fd, int port, const std::string& text)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

} // namespace

TEST(CallbackServerImplTest, NoOtherSocketCanShareTheCallbackPort)
{
    struct Case
    {
        const char* label;
        bool squatterFirst; // the other socket binds before the server starts
        bool reuse;         // the other socket asks for address reuse
    };
    const Case cases[] = {
        {"taken port, plain socket", true, false},
        {"taken port, socket with address reuse", true, true},
        {"held port, plain socket", false, false},
        {"held port, socket with address reuse", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        RecordingDelegate delegate;
        CallbackServerImpl server(delegate);
        const int port = test::freeUdpPort();
        int squatter = -1;
        if (c.squatterFirst) {
            squatter = boundSocket("0.0.0.0", port, c.reuse);
            ASSERT_GE(squatter, 0);
            server.start(port);
            EXPECT_EQ(delegate.errors().size(), 1u);
        } else {
            server.start(port);
            ASSERT_TRUE(delegate.errors().empty());
            for (const char* address : {"0.0.0.0", "127.0.0.1"}) {
                squatter = boundSocket(address, port, c.reuse);
                EXPECT_EQ(squatter, -1) << address;
                if (squatter >= 0)
                    ::close(squatter);
            }
            squatter = -1;
            Recorder recorder;
            recorder.send(port, "Held,1");
            EXPECT_TRUE(delegate.waitForName("Held"));
        }
        server.stop();
        if (squatter >= 0)
            ::close(squatter);
    }
}

TEST(CallbackServerImplTest, BindsTheConfiguredAddressOrReportsABadOne)
{
    RecordingDelegate delegate;
    CallbackServerImpl server(delegate);
    const int threadsBefore = threadCount();
    for (const char* bad : {"localhost", "127.0.0", "127.0.0.1 "}) {
        delegate.clear();
        server.setBindAddress(bad);
        server.start(test::freeUdpPort());
        ASSERT_EQ(delegate.errors().size(), 1u) << bad;
        EXPECT_NE(delegate.errors()[0].find(bad), std::string::npos);
        EXPECT_EQ(threadCount(), threadsBefore);
        server.stop();
    }

    // Bound to 127.0.0.2, the server hears nothing sent to 127.0.0.1, and the
    // same port stays free there.
    delegate.clear();
    server.setBindAddress("127.0.0.2");
    const int port = test::freeUdpPort();
    server.start(port);
    ASSERT_TRUE(delegate.errors().empty());
    const int other = boundSocket("127.0.0.1", port, false);
    EXPECT_GE(other, 0);
    if (other >= 0)
        ::close(other);
    int sender = boundSocket("127.0.0.1", 0, false);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.2", &to.sin_addr);
    const std::string text = "Aliased,1";
    sendto(sender, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    EXPECT_TRUE(delegate.waitForName("Aliased"));
    ::close(sender);
    server.stop();

    server.setBindAddress("");
    server.start(port);
    Recorder recorder;
    recorder.send(port, "Everywhere,1");
    EXPECT_TRUE(delegate.waitForName("Everywhere"));
    server.stop();
}

TEST(CallbackServerImplTest, SendersOutsideTheFilterAreDroppedAndCounted)
{
    RecordingDelegate delegate;
    DropCounts counts;
    CallbackServerImpl server(delegate, &counts);
    const int port = test::freeUdpPort();
    server.start(port);
    const int one = boundSocket("127.0.0.1", 0, false);
    const int two = boundSocket("127.0.0.2", 0, false);
    ASSERT_GE(one, 0);
    ASSERT_GE(two, 0);

    struct Step
    {
        const char* filter;
        int from;
        const char* name;
        bool taken;
    };
    const Step steps[] = {
        {"", one, "AnyOne", true},
        {"", two, "AnyTwo", true},
        {"127.0.0.2", one, "OnlyTwoFromOne", false},
        {"127.0.0.2", two, "OnlyTwoFromTwo", true},
        {"127.0.0.0/31", one, "RangeFromOne", true},
        {"127.0.0.0/31", two, "RangeFromTwo", false},
        {"10.0.0.0/8, 127.0.0.1", one, "ListFromOne", true},
    };
    std::uint64_t refused = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        SenderFilter filter;
        ASSERT_TRUE(filter.parse(s.filter));
        server.setSenderFilter(filter);
        sendFrom(s.from, port, std::string(s.name) + ",1");
        if (s.taken) {
            EXPECT_TRUE(delegate.waitForName(s.name));
        } else {
            // A marker from an allowed sender, behind the refused datagram in
            // the socket's queue, shows that it has been handled.
            const std::string marker = std::string("after ") + s.name;
            sendFrom(s.from == one ? two : one, port, marker + ",1");
            ++refused;
            EXPECT_TRUE(delegate.waitForName(marker));
            for (const Received& r : delegate.records())
                EXPECT_NE(r.name, s.name);
        }
        delegate.clear();
    }
    server.stop();
    EXPECT_EQ(counts.figures().refusedSenders, refused);
    ::close(one);
    ::close(two);
}
