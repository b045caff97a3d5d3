#include "callback/CallbackHandoff.h"
#include "callback/DropCounts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

CallbackInfo numbered(int ordinal, int producer = 0)
{
    CallbackInfo record("10.0.0." + std::to_string(producer + 1), 4000 + producer);
    record.setOrdinal(ordinal);
    record.setGpsData("GPRMC,120000.00,A,4807.038,N,01131.000,E," + std::to_string(ordinal));
    return record;
}

struct Pattern
{
    const char* name;
    const char* steps; // 'a' appends the next record, 't' takes all
    std::size_t limit;
    int wakes;                // wake-ups run in all
    std::uint64_t dropped;    // appends refused
    const char* taken;        // records per take, e.g. "2,0,1"
    std::size_t waitingAtEnd; // appended and never taken
};

class HandoffPatterns : public testing::TestWithParam<Pattern>
{
};

// One wake-up per change from nothing waiting (or just taken) to something
// waiting, however many appends follow; takes hand over everything in order.
TEST_P(HandoffPatterns, WakesOncePerEmptyToWaitingAndTakesEverythingInOrder)
{
    const Pattern& p = GetParam();
    DropCounts counts;
    int wakes = 0;
    CallbackHandoff handoff(
        counts, [&] { ++wakes; }, p.limit);
    int next = 0;
    std::vector<int> accepted;
    std::vector<int> received;
    std::string sizes;
    std::vector<CallbackInfo> batch{numbered(-1)}; // a stale batch is replaced
    for (const char* step = p.steps; *step != '\0'; ++step) {
        if (*step == 'a') {
            if (handoff.append(numbered(next)))
                accepted.push_back(next);
            ++next;
            continue;
        }
        handoff.take(batch);
        sizes += (sizes.empty() ? "" : ",") + std::to_string(batch.size());
        for (const CallbackInfo& record : batch)
            received.push_back(record.getOrdinal());
    }
    EXPECT_EQ(wakes, p.wakes);
    EXPECT_EQ(counts.figures().overBacklog, p.dropped);
    EXPECT_EQ(sizes, p.taken);
    EXPECT_EQ(handoff.waiting(), p.waitingAtEnd);
    accepted.resize(received.size());
    EXPECT_EQ(received, accepted);
}

INSTANTIATE_TEST_SUITE_P(
    CallbackHandoff, HandoffPatterns,
    testing::Values(Pattern{"OneAppend", "a", 8, 1, 0, "", 1},
                    Pattern{"BurstWakesOnce", "aaaaa", 8, 1, 0, "", 5},
                    Pattern{"BurstThenTake", "aaat", 8, 1, 0, "3", 0},
                    Pattern{"EveryTakeRearms", "atatat", 8, 3, 0, "1,1,1", 0},
                    Pattern{"TakesOnEmptyGiveNothing", "tt", 8, 0, 0, "0,0", 0},
                    Pattern{"EmptyTakeDoesNotRearmTwice", "attaat", 8, 2, 0, "1,0,2", 0},
                    Pattern{"TakeBeforeTheWakeArrives", "ataaatt", 8, 2, 0, "1,3,0", 0},
                    Pattern{"LimitRefusesAndCounts", "aaaaa", 3, 1, 2, "", 3},
                    Pattern{"TakeFreesThePlaces", "aaaataaaat", 3, 2, 2, "3,3", 0},
                    Pattern{"RefusalAloneDoesNotWake", "aaata", 1, 2, 2, "1", 1},
                    Pattern{"LimitOfOne", "aataat", 1, 2, 2, "1,1", 0}),
    [](const testing::TestParamInfo<Pattern>& info) { return std::string(info.param.name); });

TEST(CallbackHandoff, StorageGrownByAFloodIsFreedOnceItPasses)
{
    DropCounts counts;
    CallbackHandoff handoff(counts, nullptr);
    const std::size_t flood = 3 * CallbackHandoff::keptCapacity;
    for (std::size_t i = 0; i < flood; ++i)
        ASSERT_TRUE(handoff.append(numbered(static_cast<int>(i))));
    std::vector<CallbackInfo> batch;
    handoff.take(batch);
    ASSERT_EQ(batch.size(), flood);
    // Two quiet takes: the flood's buffer leaves with the first, and the
    // queue's next buffer, the one handed out now, is a new small one.
    for (int take = 0; take < 2; ++take) {
        ASSERT_TRUE(handoff.append(numbered(take)));
        handoff.take(batch);
        ASSERT_EQ(batch.size(), 1u);
        EXPECT_EQ(batch[0].getOrdinal(), take);
    }
    EXPECT_LE(batch.capacity(), CallbackHandoff::keptCapacity);
}

// A post that fails (say, out of memory) keeps the record, and the wake-up is
// tried again with the next append instead of being forgotten.
TEST(CallbackHandoff, AThrowingWakeKeepsTheRecordAndIsTriedAgain)
{
    DropCounts counts;
    int calls = 0;
    int failuresLeft = 2;
    CallbackHandoff handoff(
        counts,
        [&] {
            ++calls;
            if (failuresLeft > 0) {
                --failuresLeft;
                throw std::runtime_error("post failed");
            }
        },
        4);
    EXPECT_THROW(handoff.append(numbered(0)), std::runtime_error);
    EXPECT_THROW(handoff.append(numbered(1)), std::runtime_error);
    EXPECT_TRUE(handoff.append(numbered(2)));
    EXPECT_TRUE(handoff.append(numbered(3))); // the third wake-up went out
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(handoff.waiting(), 4u);
    EXPECT_FALSE(handoff.append(numbered(4))); // records kept count against the limit
    std::vector<CallbackInfo> batch;
    handoff.take(batch);
    ASSERT_EQ(batch.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(batch[i].getOrdinal(), i);
    EXPECT_EQ(handoff.waiting(), 0u);
    EXPECT_TRUE(handoff.append(numbered(5)));
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(counts.figures().overBacklog, 1u);
}

struct Race
{
    const char* name;
    int producers;
    int perProducer;
    std::size_t limit;
    // A refused record is offered again until it is taken, so that every
    // record passes the full queue (the taker's pace sets the producers').
    bool retry;
};

class HandoffRaces : public testing::TestWithParam<Race>
{
};

// Producers append while the taker takes only when woken, as the window does.
// A lost wake-up leaves records waiting and the taker asleep until its
// deadline; a wrong order or a lost or doubled record shows in the tally.
TEST_P(HandoffRaces, TakerWokenOnlyByWakesGetsEveryAcceptedRecordInOrder)
{
    const Race& r = GetParam();
    DropCounts counts;
    std::mutex mutex;
    std::condition_variable woken;
    int wakesPending = 0;
    int wakes = 0;
    CallbackHandoff handoff(
        counts,
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            ++wakesPending;
            ++wakes;
            woken.notify_one();
        },
        r.limit);
    std::atomic<std::uint64_t> accepted{0};
    std::atomic<std::uint64_t> offered{0};
    std::atomic<int> running{r.producers};
    std::vector<std::thread> producers;
    for (int p = 0; p < r.producers; ++p)
        producers.emplace_back([&, p] {
            for (int i = 0; i < r.perProducer; ++i) {
                bool taken = false;
                do {
                    offered.fetch_add(1);
                    taken = handoff.append(numbered(i, p));
                    if (!taken && r.retry)
                        std::this_thread::yield();
                } while (!taken && r.retry);
                if (taken)
                    accepted.fetch_add(1);
            }
            std::lock_guard<std::mutex> lock(mutex);
            --running;
            woken.notify_one();
        });

    std::vector<int> last(r.producers, -1);
    std::uint64_t taken = 0;
    int takes = 0;
    bool outOfOrder = false;
    bool timedOut = false;
    std::vector<CallbackInfo> batch;
    std::size_t highest = 0;
    while (true) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            const bool ready = woken.wait_for(lock, std::chrono::seconds(30), [&] {
                return wakesPending > 0 || (running == 0 && taken == accepted.load());
            });
            if (!ready) {
                timedOut = true;
                break;
            }
            if (wakesPending == 0)
                break; // every producer ended and everything accepted was taken
            --wakesPending;
        }
        highest = std::max(highest, handoff.waiting());
        handoff.take(batch);
        ++takes;
        for (const CallbackInfo& record : batch) {
            const int producer = record.getPort() - 4000;
            outOfOrder |= record.getOrdinal() <= last[producer];
            last[producer] = record.getOrdinal();
        }
        taken += batch.size();
    }
    for (std::thread& producer : producers)
        producer.join();
    EXPECT_FALSE(timedOut) << "records waited without a wake-up: " << handoff.waiting();
    EXPECT_FALSE(outOfOrder);
    EXPECT_EQ(taken, accepted.load());
    EXPECT_EQ(accepted.load() + counts.figures().overBacklog, offered.load());
    if (r.retry) {
        EXPECT_EQ(accepted.load(), static_cast<std::uint64_t>(r.producers) * r.perProducer);
    }
    EXPECT_LE(highest, r.limit);
    EXPECT_EQ(handoff.waiting(), 0u);
    EXPECT_EQ(takes, wakes);
    std::printf("%s: %llu accepted, %llu refused, %d wake-ups\n", r.name,
                static_cast<unsigned long long>(accepted.load()),
                static_cast<unsigned long long>(counts.figures().overBacklog), wakes);
}

INSTANTIATE_TEST_SUITE_P(CallbackHandoff, HandoffRaces,
                         testing::Values(Race{"OneProducerRoomy", 1, 40000, 16384, false},
                                         Race{"OneProducerTight", 1, 40000, 8, false},
                                         Race{"TwoProducers", 2, 20000, 64, false},
                                         Race{"TightEveryRecordThrough", 1, 20000, 8, true},
                                         Race{"TwoProducersLimitOfOne", 2, 3000, 1, true}),
                         [](const testing::TestParamInfo<Race>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace corvane
