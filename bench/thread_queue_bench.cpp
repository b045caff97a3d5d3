// Throughput of the write queue in the shape the database uses it: a 1 MiB
// ring of at most 2,048 messages, producers putting with a 0 ms limit (a full
// queue drops), one consumer taking into a 512-byte buffer.
//
//   thread_queue_bench [messages per producer]   (default 500000)

#include "thread/MessageQueue.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Alternating put and take on one thread: the cost of the operations alone.
void singleThread(int messages)
{
    MessageQueue queue(1 << 20, nullptr, 2048);
    char message[120] = {};
    char buffer[512];
    const auto started = Clock::now();
    for (int i = 0; i < messages; ++i) {
        queue.put(message, sizeof message, 0);
        queue.take(buffer, sizeof buffer, 0);
    }
    const double elapsed = seconds(Clock::now() - started);
    std::printf("1 thread   put+take of 120 B: %8.1f ns per pair\n", elapsed * 1e9 / messages);
}

// Producers put with 0 ms while one consumer drains: delivered and dropped.
void producersAndConsumer(int producers, int messages)
{
    MessageQueue queue(1 << 20, nullptr, 2048);
    std::atomic<long> stored{0}, dropped{0};
    std::atomic<int> running{producers};
    long taken = 0;
    const auto started = Clock::now();
    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p)
        threads.emplace_back([&] {
            char message[120] = {};
            for (int i = 0; i < messages; ++i)
                (queue.put(message, sizeof message, 0) ? stored : dropped)++;
            --running;
        });
    char buffer[512];
    while (running > 0 || queue.count() > 0)
        taken += queue.take(buffer, sizeof buffer, 10) > 0;
    for (std::thread& t : threads)
        t.join();
    const double elapsed = seconds(Clock::now() - started);
    std::printf("%d producers, 1 consumer: %8.0f messages/s taken, %ld stored, %ld dropped "
                "(%.2f s)\n",
                producers, taken / elapsed, stored.load(), dropped.load(), elapsed);
}

} // namespace

int main(int argc, char** argv)
{
    const int messages = argc > 1 ? std::atoi(argv[1]) : 500000;
    singleThread(messages);
    producersAndConsumer(1, messages);
    producersAndConsumer(4, messages);
    return 0;
}
