#include "callback/Utf8Text.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

TEST(Utf8Text, KeepsWellFormedReplacesMaximalIllFormedSubparts)
{
    const std::string R = "\xef\xbf\xbd"; // U+FFFD
    const struct
    {
        std::string input;
        std::size_t maxUnits;
        std::string expected;
    } cases[] = {
        // clang-format off
        {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x9a\x8c\xf4\x8f\xbf\xbf", 255, "\xc3\xa9\xe2\x82\xac\xf0\x9f\x9a\x8c\xf4\x8f\xbf\xbf"},
        {"a\x80\xbf" "b", 255, "a" + R + R + "b"},          // stray continuation bytes
        {"\xc0\xaf\xe0\x80\xaf", 255, R + R + R + R + R},    // overlong forms
        {"\xed\xa0\x80", 255, R + R + R},                    // encoded surrogate
        {"\xf4\x90\x80\x80\xf5", 255, R + R + R + R + R},    // above U+10FFFF
        {"\xe2\x82" "a\xf0\x9f\x9a", 255, R + "a" + R},      // truncated sequences
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 2, "\xc3\xa9\xc3\xa9"}, // the cap counts units, not bytes
        {"a\xf0\x9f\x9a\x8c", 2, "a"},                       // a pair is never split
        {"a\xf0\x9f\x9a\x8c", 3, "a\xf0\x9f\x9a\x8c"},
        {"\xff\xff\xff", 2, R + R},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8Text::decode(c.input, c.maxUnits), c.expected) << c.input;
    }
}

} // namespace
} // namespace corvane
