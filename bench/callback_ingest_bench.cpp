// callback_ingest_bench: how many recorder datagrams per second the callback server
// takes in on 127.0.0.1, and what it loses at fixed rates, next to a bare receive
// loop on the same machine in the same run.
//
// A sender thread pushes datagrams made by the recorder simulator (positions,
// alarms and details of a fleet; realistic sizes) with sendmmsg, either as fast as
// it can or paced to a fixed rate. The receiving side is either the real
// CallbackServerImpl with a delegate that counts records, or a plain blocking
// recvfrom loop with the same receive buffers.

#include "callback/CallbackServerImpl.h"
#include "callback/SenderFilter.h"
#include "testsupport/UdpPorts.h"
#include "tools/RecorderSimulation.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;
using Clock = std::chrono::steady_clock;

namespace {

// Counts what arrives and notes when the first and the last of it came.
struct ArrivalCounter
{
    std::atomic<long> count{0};
    std::atomic<Clock::rep> first{0};
    std::atomic<Clock::rep> last{0};

    void arrived()
    {
        auto now = Clock::now().time_since_epoch().count();
        if (count.fetch_add(1, std::memory_order_relaxed) == 0)
            first.store(now, std::memory_order_relaxed);
        last.store(now, std::memory_order_relaxed);
    }
    void reset()
    {
        count = 0;
        first = 0;
        last = 0;
    }
    double spanSeconds() const
    {
        return std::chrono::duration<double>(Clock::duration(last - first)).count();
    }
};

class CountingDelegate : public CallbackServerDelegate
{
public:
    explicit CountingDelegate(ArrivalCounter& counter) : m_counter(counter) {}
    bool onCallbackReceived(const CallbackInfo& record) override
    {
        m_counter.arrived();
        return true;
    }
    void onServerError(const char* text) override { errors.fetch_add(1); }
    std::atomic<long> errors{0};

private:
    ArrivalCounter& m_counter;
};

std::vector<std::string> realisticDatagrams()
{
    RecorderSimulation fleet(
        {.vehicles = 200, .seed = 11, .eventProbability = 0.1, .detailsEvery = 30});
    std::vector<std::string> out;
    auto now = std::chrono::system_clock::now();
    for (int turn = 0; turn < 10; ++turn) {
        for (size_t v = 0; v < fleet.vehicleCount(); ++v) {
            for (auto& d : fleet.turn(v, 1.0, now + std::chrono::seconds(turn)))
                out.push_back(std::move(d.text));
        }
    }
    return out;
}

// Sends datagrams round-robin from the pool to 127.0.0.1:port, in batches.
class Sender
{
public:
    Sender(const std::vector<std::string>& pool, int port) : m_pool(pool)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        int size = 4 << 20;
        setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(static_cast<uint16_t>(port));
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { close(m_fd); }

    // Sends n datagrams; returns how many the kernel took.
    long sendBatch(int n)
    {
        mmsghdr msgs[64];
        iovec iov[64];
        n = std::min(n, 64);
        for (int i = 0; i < n; ++i) {
            const std::string& d = m_pool[m_next++ % m_pool.size()];
            iov[i] = {const_cast<char*>(d.data()), d.size()};
            msgs[i] = {};
            msgs[i].msg_hdr.msg_name = &m_to;
            msgs[i].msg_hdr.msg_namelen = sizeof m_to;
            msgs[i].msg_hdr.msg_iov = &iov[i];
            msgs[i].msg_hdr.msg_iovlen = 1;
        }
        int sent = sendmmsg(m_fd, msgs, n, 0);
        return sent < 0 ? 0 : sent;
    }

    // As fast as possible: n datagrams.
    long blast(long n)
    {
        long sent = 0;
        while (sent < n)
            sent += sendBatch(static_cast<int>(std::min<long>(64, n - sent)));
        return sent;
    }

    // rate datagrams per second for the given time, in 1 ms slices.
    long paced(long rate, double seconds)
    {
        long total = static_cast<long>(rate * seconds);
        long sent = 0;
        auto start = Clock::now();
        while (sent < total) {
            double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            long due = std::min(total, static_cast<long>(elapsed * rate) + 1);
            while (sent < due)
                sent += sendBatch(static_cast<int>(std::min<long>(64, due - sent)));
            std::this_thread::sleep_until(
                start + std::chrono::microseconds(static_cast<long>(1e6 * (sent + 1) / rate)));
        }
        return sent;
    }

    size_t averageSize() const
    {
        size_t sum = 0;
        for (const auto& d : m_pool)
            sum += d.size();
        return sum / m_pool.size();
    }

private:
    const std::vector<std::string>& m_pool;
    int m_fd = -1;
    sockaddr_in m_to{};
    size_t m_next = 0;
};

// Waits until nothing more has arrived for a while.
void settle(const ArrivalCounter& counter)
{
    long seen = -1;
    while (counter.count != seen) {
        seen = counter.count;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

// The baseline: one blocking recvfrom after another into a 4096-byte buffer.
class BareReceiver
{
public:
    BareReceiver(int port, ArrivalCounter& counter) : m_counter(counter)
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        // The same receive buffer as the server asks for.
        int bytes = CallbackServerImpl::receiveBufferBytes;
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        m_thread = std::thread([this] {
            char buffer[4097];
            sockaddr_in from{};
            while (true) {
                socklen_t len = sizeof from;
                ssize_t n =
                    recvfrom(m_fd, buffer, 4096, 0, reinterpret_cast<sockaddr*>(&from), &len);
                if (m_stop)
                    return;
                if (n > 0)
                    m_counter.arrived();
            }
        });
    }
    ~BareReceiver()
    {
        m_stop = true;
        shutdown(m_fd, SHUT_RDWR); // ends the blocking recvfrom
        m_thread.join();
        close(m_fd);
    }

private:
    ArrivalCounter& m_counter;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The server's own work per datagram without any socket: a record for the
// sender, then the parse. Shows what bounds the server against the bare loop.
void recordCost(const std::vector<std::string>& pool)
{
    const long n = 100000;
    CallbackMessageParser parser;
    auto t0 = Clock::now();
    for (long i = 0; i < n; ++i) {
        CallbackInfo record("127.0.0.1", 5000);
        asm volatile("" : : "r"(&record) : "memory");
    }
    auto t1 = Clock::now();
    for (long i = 0; i < n; ++i) {
        CallbackInfo record("127.0.0.1", 5000);
        parser.parse(pool[i % pool.size()].c_str(), record);
    }
    auto t2 = Clock::now();
    double create = std::chrono::duration<double, std::nano>(t1 - t0).count() / n;
    double both = std::chrono::duration<double, std::nano>(t2 - t1).count() / n;
    std::printf("per datagram without sockets: new record %.0f ns, parse %.0f ns\n", create,
                both - create);
}

double blastRate(Sender& sender, ArrivalCounter& counter, long n, long* delivered)
{
    counter.reset();
    sender.blast(n);
    settle(counter);
    *delivered = counter.count;
    return counter.count > 1 ? (counter.count - 1) / counter.spanSeconds() : 0.0;
}

} // namespace

int main(int argc, char** argv)
{
    long blastCount = argc > 1 ? std::atol(argv[1]) : 400000;
    double rateSeconds = argc > 2 ? std::atof(argv[2]) : 3.0;
    auto pool = realisticDatagrams();
    ArrivalCounter counter;

    std::printf("datagrams: %zu distinct, average %zu bytes; blast of %ld, %.1f s per fixed rate\n",
                pool.size(), Sender(pool, 9).averageSize(), blastCount, rateSeconds);

    recordCost(pool);
    long delivered = 0;
    double bare = 0;
    {
        int port = test::freeUdpPort();
        BareReceiver receiver(port, counter);
        Sender sender(pool, port);
        bare = blastRate(sender, counter, blastCount, &delivered);
        std::printf("bare recvfrom loop   max %9.0f datagrams/s (%ld of %ld delivered)\n", bare,
                    delivered, blastCount);
    }

    CountingDelegate delegate(counter);
    CallbackServerImpl server(delegate);
    int port = test::freeUdpPort();
    server.start(port);
    Sender sender(pool, port);
    double max = blastRate(sender, counter, blastCount, &delivered);
    std::printf("CallbackServerImpl   max %9.0f datagrams/s (%ld of %ld delivered), %.2fx the bare "
                "loop's time per datagram\n",
                max, delivered, blastCount, max > 0 ? bare / max : 0.0);

    // The same with an allow-list whose only match for 127.0.0.1 is its last entry.
    {
        SenderFilter filter;
        std::string list;
        for (int i = 0; i < 15; ++i)
            list += "10." + std::to_string(i) + ".0.0/16, ";
        filter.parse(list + "127.0.0.1");
        server.setSenderFilter(filter);
        counter.reset();
        const double filtered = blastRate(sender, counter, blastCount, &delivered);
        std::printf("with 16-entry allow-list max %9.0f datagrams/s (%ld of %ld delivered)\n",
                    filtered, delivered, blastCount);
        server.setSenderFilter(SenderFilter());
    }

    for (long rate : {10000L, 50000L, 100000L}) {
        counter.reset();
        auto start = Clock::now();
        long sent = sender.paced(rate, rateSeconds);
        double took = std::chrono::duration<double>(Clock::now() - start).count();
        settle(counter);
        long got = counter.count;
        std::printf("CallbackServerImpl at %6ld/s: sent %ld in %.2f s (%.0f/s), delivered %ld, "
                    "lost %ld (%.3f%%)\n",
                    rate, sent, took, sent / took, got, sent - got,
                    sent > 0 ? 100.0 * (sent - got) / sent : 0.0);
    }
    server.stop();
    if (delegate.errors > 0)
        std::printf("server errors reported: %ld\n", delegate.errors.load());
    return 0;
}
