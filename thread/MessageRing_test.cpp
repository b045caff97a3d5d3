#include "thread/MessageRing.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace corvane {
namespace {

bool writeBytes(MessageRing& ring, const std::vector<uint8_t>& bytes)
{
    if (!ring.fits(bytes.size()))
        return false;
    const MessagePiece piece{bytes.data(), bytes.size()};
    ring.write({&piece, 1}, static_cast<int32_t>(bytes.size()));
    return true;
}

std::vector<uint8_t> readBytes(MessageRing& ring)
{
    const uint8_t* data = ring.frontData();
    std::vector<uint8_t> bytes(data, data + ring.frontLength());
    ring.remove();
    return bytes;
}

TEST(MessageRing, LargestMessageFillsRingAndOneMoreByteNeverFits)
{
    for (int32_t size : {8, 64, 1024}) {
        SCOPED_TRACE(size);
        MessageRing ring(size);
        EXPECT_EQ(ring.freeSpace(), size - 4);
        EXPECT_FALSE(ring.fits(static_cast<size_t>(size - 3)));
        ASSERT_TRUE(writeBytes(ring, std::vector<uint8_t>(static_cast<size_t>(size - 4), 0xAB)));
        EXPECT_EQ(ring.count(), 1);
        EXPECT_EQ(ring.readPosition(), ring.writePosition());
        EXPECT_EQ(ring.freeSpace(), 0);
        // Not even an empty message: its length field would overwrite data.
        EXPECT_FALSE(ring.fits(0));
        EXPECT_EQ(readBytes(ring), std::vector<uint8_t>(static_cast<size_t>(size - 4), 0xAB));
        EXPECT_TRUE(ring.isEmpty());
        EXPECT_EQ(ring.writePosition(), 0);
    }
}

TEST(MessageRing, FreeSpaceFollowsTheLargestGap)
{
    // Ring of 100: messages of 16 bytes take 20 each.
    MessageRing ring(100);
    const std::vector<uint8_t> m16(16, 1);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(writeBytes(ring, m16));
    EXPECT_EQ(ring.writePosition(), 80);
    EXPECT_EQ(ring.freeSpace(), 16); // tail gap 20
    readBytes(ring);
    readBytes(ring);
    EXPECT_EQ(ring.readPosition(), 40);
    EXPECT_EQ(ring.freeSpace(), 36); // head gap 40 is larger

    // 17 bytes do not fit before the end: the writer wraps to 0.
    ASSERT_TRUE(writeBytes(ring, std::vector<uint8_t>(17, 2)));
    EXPECT_EQ(ring.wrapEnd(), 80);
    EXPECT_EQ(ring.writePosition(), 21);
    EXPECT_EQ(ring.freeSpace(), 15); // 40 - 21 - 4

    // 15 more bytes close the gap exactly: the ring is full.
    ASSERT_TRUE(writeBytes(ring, std::vector<uint8_t>(15, 3)));
    EXPECT_EQ(ring.writePosition(), 40);
    EXPECT_EQ(ring.freeSpace(), 0);
    EXPECT_FALSE(ring.fits(0));

    // Reading past the wrap end returns the reader to 0.
    EXPECT_EQ(readBytes(ring), m16);
    EXPECT_EQ(readBytes(ring), m16);
    EXPECT_EQ(ring.readPosition(), 0);
    EXPECT_EQ(ring.wrapEnd(), 100);
    EXPECT_EQ(readBytes(ring), std::vector<uint8_t>(17, 2));
    EXPECT_EQ(readBytes(ring), std::vector<uint8_t>(15, 3));
    EXPECT_TRUE(ring.isEmpty());
}

// Thousands of random writes and reads against a plain deque: every accepted
// message comes back whole and in order, across many wraps, and the ring
// never refuses a message that the byte accounting says must fit.
TEST(MessageRing, MatchesReferenceQueueUnderRandomSizes)
{
    std::mt19937 random(12345);
    for (int32_t size : {37, 256, 4096}) {
        SCOPED_TRACE(size);
        MessageRing ring(size);
        std::deque<std::vector<uint8_t>> reference;
        int wraps = 0, refused = 0;
        uint8_t stamp = 0;
        for (int op = 0; op < 20000; ++op) {
            if (random() % 5 < 3) {
                std::vector<uint8_t> message(random() % static_cast<uint32_t>(size / 3));
                for (uint8_t& byte : message)
                    byte = stamp++;
                const int32_t wrapBefore = ring.wrapEnd();
                if (writeBytes(ring, message)) {
                    reference.push_back(std::move(message));
                    wraps += wrapBefore == size && ring.wrapEnd() != size;
                } else {
                    ++refused;
                    // An empty ring takes anything up to size - 4.
                    ASSERT_FALSE(reference.empty());
                }
            } else if (!reference.empty()) {
                ASSERT_EQ(readBytes(ring), reference.front());
                reference.pop_front();
            }
            ASSERT_EQ(ring.count(), static_cast<int32_t>(reference.size()));
            size_t used = 0;
            for (const auto& message : reference)
                used += message.size() + 4;
            ASSERT_LE(used, static_cast<size_t>(size));
        }
        EXPECT_GT(wraps, 10);
        EXPECT_GT(refused, 0);
    }
}

} // namespace
} // namespace corvane
