#include "base/BitMask32.h"
#include "base/FormatableBuffer.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

std::string text(const BitMask32& mask)
{
    FormatableBuffer<64> buffer;
    mask.toString(buffer);
    return buffer.getText();
}

TEST(BitMask32Test, TextShowsAllBitsMostSignificantFirst)
{
    struct Case
    {
        std::uint32_t value;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0b00000000000000000000000000000000"},
        {5, "0b00000000000000000000000000000101"},
        {0x80000000u, "0b10000000000000000000000000000000"},
        {0xffffffffu, "0b11111111111111111111111111111111"},
        {0x12345678u, "0b00010010001101000101011001111000"},
    };
    for (const Case& c : cases) {
        const std::string t = text(BitMask32(c.value));
        EXPECT_EQ(t, c.expected);
        EXPECT_EQ(t.size(), BitMask32::textLength);
    }
}

TEST(BitMask32Test, OrdersAsUnsigned)
{
    const std::uint32_t ascending[] = {0, 1, 5, 0x7fffffffu, 0x80000000u, 0xffffffffu};
    for (std::uint32_t a : ascending) {
        for (std::uint32_t b : ascending) {
            EXPECT_EQ(BitMask32(a).lessThan(BitMask32(b)), a < b);
            EXPECT_EQ(BitMask32(a).greaterThan(BitMask32(b)), a > b);
            EXPECT_EQ(BitMask32(a).greaterOrEqual(BitMask32(b)), a >= b);
        }
    }
    BitMask32 mask;
    EXPECT_EQ(mask.value(), 0u);
    mask.setValue(9);
    EXPECT_EQ(mask, BitMask32(9));
}

} // namespace
} // namespace corvane
