#include "thread/MessageQueue.h"

#include "testsupport/DeadlineWait.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using test::waitFor;

std::string takeText(MessageQueue& queue, int32_t milliseconds = 0)
{
    char buffer[256];
    const int32_t length = queue.take(buffer, sizeof buffer, milliseconds);
    return std::string(buffer, static_cast<size_t>(length));
}

TEST(MessageQueue, SizeLimitsOfAFreshQueue)
{
    constexpr int32_t kSize = 64;
    MessageQueue queue(kSize, nullptr, 16);
    const std::vector<char> tooLong(kSize - 3, 'x');
    EXPECT_FALSE(queue.put(tooLong.data(), tooLong.size(), 0));
    EXPECT_FALSE(queue.put(tooLong.data(), tooLong.size(), 20));
    const std::vector<char> longest(kSize - 4, 'y');
    EXPECT_TRUE(queue.put(longest.data(), longest.size(), 0));
    // Full now: neither a one-byte nor an empty message fits.
    EXPECT_FALSE(queue.put("z", 1, 0));
    EXPECT_FALSE(queue.put("", 0, 0));
    std::vector<char> out(kSize);
    ASSERT_EQ(queue.take(out.data(), out.size(), 0), kSize - 4);
    EXPECT_TRUE(std::equal(longest.begin(), longest.end(), out.begin()));
}

TEST(MessageQueue, CountBoundRefusesWhileBytesAreFree)
{
    MessageQueue queue(1 << 20, nullptr, 3);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(queue.put("abc", 3, 0));
    EXPECT_FALSE(queue.put("d", 1, 0));
    EXPECT_EQ(takeText(queue), "abc");
    EXPECT_TRUE(queue.put("d", 1, 0));
    EXPECT_EQ(queue.count(), 3);
}

TEST(MessageQueue, TakeCutsAMessageLongerThanTheBuffer)
{
    MessageQueue queue(256, nullptr, 8);
    ASSERT_TRUE(queue.put("0123456789", 10));
    ASSERT_TRUE(queue.put("next", 4));
    std::array<char, 8> buffer;
    buffer.fill('#');
    EXPECT_EQ(queue.take(buffer.data(), 4, 0), 4);
    EXPECT_EQ(std::string(buffer.data(), 8), "0123####");
    // The rest of the long message is gone; the next one is whole.
    EXPECT_EQ(takeText(queue), "next");
}

class RecordingListener : public IMessageQueueListener
{
public:
    void onPut(std::span<const MessagePiece> pieces) override
    {
        std::string text;
        for (const MessagePiece& piece : pieces)
            text.append(static_cast<const char*>(piece.data), piece.size).append("|");
        events.push_back("put " + text);
    }
    void onTake(const void* data, int32_t length) override
    {
        events.push_back("take " + std::string(static_cast<const char*>(data), length));
    }
    void onClear() override { events.push_back("clear"); }

    std::vector<std::string> events;
};

TEST(MessageQueue, PiecesAreJoinedAndTheListenerSeesEveryChange)
{
    RecordingListener listener;
    MessageQueue queue(128, &listener, 8);
    const MessagePiece pieces[] = {{"head", 4}, {"", 0}, {"-tail", 5}};
    ASSERT_TRUE(queue.put(pieces));
    ASSERT_TRUE(queue.put("other", 5, 0));
    EXPECT_EQ(takeText(queue), "head-tail");
    queue.clear();
    EXPECT_EQ(queue.count(), 0);
    EXPECT_EQ(takeText(queue), "");
    EXPECT_EQ(listener.events, (std::vector<std::string>{"put head||-tail|", "put other|",
                                                         "take head-tail", "clear"}));
}

TEST(MessageQueue, TimedTakeGivesUpAfterItsLimit)
{
    MessageQueue queue(128, nullptr, 8);
    char buffer[16];
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(queue.take(buffer, sizeof buffer, 60), 0);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 55ms);
    EXPECT_LT(waited, 5s);
}

TEST(MessageQueue, CloseReleasesEveryBlockedTakeAndPut)
{
    constexpr int32_t kSize = 32;
    MessageQueue queue(kSize, nullptr, 8);
    std::atomic<int> takesReturnedZero{0}, putsRefused{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i)
        threads.emplace_back([&] {
            char buffer[kSize];
            takesReturnedZero += queue.take(buffer, sizeof buffer) == 0;
        });
    // A message that can never fit keeps an unlimited put waiting.
    const std::vector<char> tooLong(kSize, 'x');
    for (int i = 0; i < 2; ++i)
        threads.emplace_back([&] { putsRefused += !queue.put(tooLong.data(), tooLong.size()); });
    ASSERT_TRUE(waitFor([&] { return queue.waiting() == 5; }));
    queue.close();
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(takesReturnedZero, 3);
    EXPECT_EQ(putsRefused, 2);
    EXPECT_FALSE(queue.put("a", 1, 0));
    EXPECT_EQ(takeText(queue), "");
}

TEST(MessageQueue, ClearReleasesAProducerWaitingForRoom)
{
    MessageQueue queue(64, nullptr, 1);
    ASSERT_TRUE(queue.put("first", 5));
    std::atomic<bool> stored{false};
    std::thread producer([&] { stored = queue.put("second", 6); });
    ASSERT_TRUE(waitFor([&] { return queue.waiting() == 1; }));
    queue.clear();
    producer.join();
    EXPECT_TRUE(stored);
    EXPECT_EQ(takeText(queue), "second");
}

// A long producer waiting for room must not swallow the wake-up that a short
// one needs when the consumer has emptied the queue.
TEST(MessageQueue, TakeWakesEveryWaitingProducer)
{
    MessageQueue queue(40, nullptr, 8);
    ASSERT_TRUE(queue.put(std::string(30, 'a').data(), 30));
    const std::string neverFits(37, 'n');
    std::thread longProducer([&] { queue.put(neverFits.data(), neverFits.size()); });
    ASSERT_TRUE(waitFor([&] { return queue.waiting() == 1; }));
    std::atomic<bool> shortStored{false};
    std::thread shortProducer([&] { shortStored = queue.put("short", 5); });
    ASSERT_TRUE(waitFor([&] { return queue.waiting() == 2; }));
    EXPECT_EQ(takeText(queue).size(), 30u);
    EXPECT_TRUE(waitFor([&] { return shortStored.load(); }));
    queue.close();
    longProducer.join();
    shortProducer.join();
}

// Several producers, one consumer, a small ring that forces waits and wraps:
// every message arrives exactly once and each producer's messages in order.
TEST(MessageQueue, ProducersAndConsumerLoseNothing)
{
    constexpr int kProducers = 4;
    constexpr uint32_t kPerProducer = 3000;
    MessageQueue queue(200, nullptr, 16);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&queue, p] {
            for (uint32_t seq = 0; seq < kPerProducer; ++seq) {
                // Varying lengths: the id, the sequence number, then padding.
                char message[40] = {};
                message[0] = static_cast<char>(p);
                std::memcpy(message + 1, &seq, sizeof seq);
                const size_t length = 5 + (seq * 7 + p) % 30;
                if (seq % 2)
                    ASSERT_TRUE(queue.put(message, length));
                else
                    ASSERT_TRUE(queue.put(message, length, 10000));
            }
        });
    std::array<uint32_t, kProducers> next{};
    uint32_t total = 0;
    while (total < kProducers * kPerProducer) {
        char buffer[64];
        const int32_t length = queue.take(buffer, sizeof buffer, 10000);
        ASSERT_GE(length, 5);
        const int p = buffer[0];
        ASSERT_TRUE(p >= 0 && p < kProducers);
        uint32_t seq;
        std::memcpy(&seq, buffer + 1, sizeof seq);
        ASSERT_EQ(seq, next[p]) << "producer " << p;
        ASSERT_EQ(static_cast<size_t>(length), 5 + (seq * 7 + p) % 30);
        ++next[p];
        ++total;
    }
    for (std::thread& producer : producers)
        producer.join();
    EXPECT_EQ(queue.count(), 0);
}

// The byte count follows every way a message comes and goes, wraps included:
// a writer that batches by it must never see a count that drifts.
TEST(MessageQueue, BytesCountEachStoredMessageWithItsLength)
{
    MessageQueue queue(64, nullptr, 16);
    EXPECT_EQ(queue.bytes(), 0);
    struct Step
    {
        const char* action; // "put" or "take"
        size_t length;      // put: message length; take: expected length
        int32_t bytes;      // expected afterwards
        bool stored;        // put: whether it fits
    };
    const Step steps[] = {
        {"put", 20, 24, true},  {"put", 0, 28, true},   {"put", 20, 52, true},
        {"put", 9, 52, false}, // 12 bytes left at the end, too few for 9 + 4
        {"take", 20, 28, true}, {"put", 16, 48, true}, // wraps to the front
        {"take", 0, 44, true},  {"take", 20, 20, true}, {"take", 16, 0, true},
        {"put", 60, 64, true},  {"put", 0, 64, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.action) + " " + std::to_string(step.length));
        if (std::string(step.action) == "put") {
            const std::vector<char> message(step.length, 'm');
            EXPECT_EQ(queue.put(message.data(), message.size(), 0), step.stored);
        } else {
            char buffer[64];
            EXPECT_EQ(queue.take(buffer, sizeof buffer, 0), static_cast<int32_t>(step.length));
        }
        EXPECT_EQ(queue.bytes(), step.bytes);
    }
    queue.clear();
    EXPECT_EQ(queue.bytes(), 0);
    const MessagePiece pieces[] = {{"ab", 2}, {"cde", 3}};
    ASSERT_TRUE(queue.put(std::span<const MessagePiece>(pieces), 0));
    EXPECT_EQ(queue.bytes(), 9);
}

} // namespace
} // namespace corvane
