#include "thread/Condition.h"

#include "testsupport/DeadlineWait.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

int32_t waitersOf(std::mutex& mutex, const Condition& condition)
{
    std::lock_guard<std::mutex> lock(mutex);
    return condition.waiters();
}

TEST(Condition, TimedWaitRunsOutAfterItsLimit)
{
    std::mutex mutex;
    Condition condition(mutex);
    for (int32_t limit : {0, 40, 120}) {
        SCOPED_TRACE(limit);
        std::unique_lock<std::mutex> lock(mutex);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(condition.timedWait(limit));
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_GE(waited, std::chrono::milliseconds(limit) - 2ms);
        EXPECT_LT(waited, std::chrono::milliseconds(limit) + 5s);
        EXPECT_EQ(condition.waiters(), 0);
    }
}

TEST(Condition, TimedWaitReturnsTrueOnSignal)
{
    std::mutex mutex;
    Condition condition(mutex);
    std::atomic<bool> result{false};
    std::thread waiter([&] {
        std::unique_lock<std::mutex> lock(mutex);
        result = condition.timedWait(60000);
    });
    ASSERT_TRUE(waitFor([&] { return waitersOf(mutex, condition) == 1; }));
    const auto signalled = std::chrono::steady_clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex);
        condition.signal();
    }
    waiter.join();
    EXPECT_TRUE(result);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 30s);
}

TEST(Condition, SignalWithNobodyWaitingIsLost)
{
    std::mutex mutex;
    Condition condition(mutex);
    std::lock_guard<std::mutex> lock(mutex);
    condition.signal();
    condition.signalAll();
    EXPECT_FALSE(condition.timedWait(0));
}

// Each signal releases exactly one waiter, even when given in quick
// succession before any waiter has run; signalAll releases the rest.
TEST(Condition, SignalsAreCountedPerWaiter)
{
    std::mutex mutex;
    Condition condition(mutex);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            std::unique_lock<std::mutex> lock(mutex);
            condition.wait();
            ++released;
        });
    ASSERT_TRUE(waitFor([&] { return waitersOf(mutex, condition) == 4; }));
    {
        std::lock_guard<std::mutex> lock(mutex);
        condition.signal();
        condition.signal();
    }
    ASSERT_TRUE(waitFor([&] { return released == 2; }));
    EXPECT_EQ(waitersOf(mutex, condition), 2);
    {
        std::lock_guard<std::mutex> lock(mutex);
        condition.signalAll();
    }
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released, 4);
}

} // namespace
} // namespace corvane
