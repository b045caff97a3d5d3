#include "callback/DecimalText.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string_view>

namespace corvane {
namespace {

TEST(DecimalText, IntegersReadLikeAtoiWithoutOverflow)
{
    const struct
    {
        std::string_view text;
        std::int32_t expected;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {" \t\n+42x", 42},
        {"-17", -17},
        {"+-1", 0},
        {"- 1", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"4294967295", -1}, // all 32 bits, as a flag word is sent
        {"4294967296", 0},  // wraps modulo 2^32
        {"12", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecimalText::toInt(c.text), c.expected) << c.text;
    }
    // Only the view is read, not what lies behind it.
    EXPECT_EQ(DecimalText::toInt(std::string_view("134530", 2)), 13);
}

TEST(DecimalText, DoublesReadLikeAtofWithoutNonFiniteValues)
{
    const struct
    {
        std::string_view text;
        double expected;
    } cases[] = {
        {"", 0.0},          {"N", 0.0},       {"3723.2475", 3723.2475},
        {" +0.13kn", 0.13}, {"-12.5", -12.5}, {"1e3", 1000.0},
        {"inf", 0.0},       {"nan", 0.0},     {"1e999", 0.0},
        {"+-1", 0.0},       {".5", 0.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecimalText::toDouble(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace corvane
