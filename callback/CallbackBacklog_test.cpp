#include "callback/CallbackBacklog.h"
#include "callback/DropCounts.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace corvane {
namespace {

TEST(CallbackBacklog, RefusesAndCountsBeyondTheLimitAndMakesRoomAgain)
{
    DropCounts counts;
    CallbackBacklog backlog(counts, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(backlog.tryEnter());
    EXPECT_FALSE(backlog.tryEnter());
    EXPECT_FALSE(backlog.tryEnter());
    EXPECT_EQ(backlog.waiting(), 3u);
    EXPECT_EQ(counts.figures().overBacklog, 2u);
    backlog.leave();
    EXPECT_TRUE(backlog.tryEnter());
    EXPECT_FALSE(backlog.tryEnter());
    EXPECT_EQ(counts.figures().overBacklog, 3u);
    // More leaves than enters never wrap the count round.
    for (int i = 0; i < 5; ++i)
        backlog.leave();
    EXPECT_EQ(backlog.waiting(), 0u);
    EXPECT_EQ(counts.figures().unidentified, 0u);
    EXPECT_EQ(counts.figures().refusedSenders, 0u);
}

TEST(CallbackBacklog, LeavingManyAtOnceFreesThatManyAndNeverWrapsRound)
{
    struct Case
    {
        std::size_t entered;
        std::size_t left;
        std::size_t waiting;
    };
    const Case cases[] = {{5, 0, 5}, {5, 3, 2}, {5, 5, 0}, {5, 6, 0}, {0, 1, 0}, {5, SIZE_MAX, 0}};
    for (const Case& c : cases) {
        DropCounts counts;
        CallbackBacklog backlog(counts, 5);
        for (std::size_t i = 0; i < c.entered; ++i)
            ASSERT_TRUE(backlog.tryEnter());
        backlog.leave(c.left);
        EXPECT_EQ(backlog.waiting(), c.waiting) << c.entered << " entered, " << c.left << " left";
        // Exactly the freed places are open again.
        for (std::size_t i = c.waiting; i < 5; ++i)
            EXPECT_TRUE(backlog.tryEnter());
        EXPECT_FALSE(backlog.tryEnter());
        EXPECT_EQ(counts.figures().overBacklog, 1u);
    }
}

TEST(CallbackBacklog, ProducerAndConsumerRacingNeverPassTheLimit)
{
    DropCounts counts;
    CallbackBacklog backlog(counts, 64);
    constexpr int offered = 200000;
    std::atomic<int> accepted{0};
    std::atomic<bool> done{false};
    std::atomic<std::size_t> highest{0};
    std::thread producer([&] {
        for (int i = 0; i < offered; ++i) {
            if (backlog.tryEnter())
                accepted.fetch_add(1);
            std::size_t now = backlog.waiting();
            if (now > highest.load())
                highest.store(now);
        }
        done = true;
    });
    int taken = 0;
    while (!done || backlog.waiting() > 0) {
        if (backlog.waiting() > 0) {
            backlog.leave();
            ++taken;
        }
    }
    producer.join();
    EXPECT_LE(highest.load(), 64u);
    EXPECT_EQ(taken, accepted.load());
    EXPECT_EQ(static_cast<std::uint64_t>(accepted.load()) + counts.figures().overBacklog,
              static_cast<std::uint64_t>(offered));
}

TEST(DropCounts, SummaryNamesEveryCount)
{
    DropCounts counts;
    counts.countUnidentified();
    counts.countUnidentified();
    counts.countRefusedSender();
    for (int i = 0; i < 5; ++i)
        counts.countOversized();
    for (int i = 0; i < 12; ++i)
        counts.countOverBacklog();
    for (int i = 0; i < 3; ++i)
        counts.countUnstored();
    for (int i = 0; i < 5; ++i)
        counts.countUnknownVehicle();
    EXPECT_EQ(
        DropCounts::summary(counts.figures()),
        "Dropped datagrams: 2 without a vehicle identifier, 1 from senders not allowed, "
        "5 longer than 4094 bytes, 12 while the station was busy, 3 while the database writer "
        "was full, 5 from vehicles never seen with a position");
}

} // namespace
} // namespace corvane
