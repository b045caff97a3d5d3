#include "callback/Utf8Text.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

const std::string R = "\xef\xbf\xbd"; // U+FFFD

struct DecodeCase
{
    const char* label;
    std::string input;
    std::size_t maxUnits;
    std::string expected;
};

const DecodeCase kCases[] = {
    {"ascii", "Bus 7", 255, "Bus 7"},
    {"two, three and four bytes", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x9a\x8c", 255,
     "\xc3\xa9\xe2\x82\xac\xf0\x9f\x9a\x8c"},
    {"highest code point", "\xf4\x8f\xbf\xbf", 255, "\xf4\x8f\xbf\xbf"},
    {"stray continuation bytes",
     "a\x80\xbf"
     "b",
     255, "a" + R + R + "b"},
    {"overlong two-byte lead", "\xc0\xaf\xc1\xbf", 255, R + R + R + R},
    {"overlong three-byte form", "\xe0\x80\xaf", 255, R + R + R},
    {"overlong four-byte form", "\xf0\x8f\xbf\xbf", 255, R + R + R + R},
    {"encoded surrogate", "\xed\xa0\x80", 255, R + R + R},
    {"above U+10FFFF", "\xf4\x90\x80\x80\xf5", 255, R + R + R + R + R},
    {"truncated sequence is one replacement",
     "\xe2\x82"
     "a",
     255, R + "a"},
    {"truncated at the end", "a\xf0\x9f\x9a", 255, "a" + R},
    {"cap counts units, not bytes", "\xc3\xa9\xc3\xa9\xc3\xa9", 2, "\xc3\xa9\xc3\xa9"},
    {"pair not split at the cap", "a\xf0\x9f\x9a\x8c", 2, "a"},
    {"pair fits the cap exactly", "a\xf0\x9f\x9a\x8c", 3, "a\xf0\x9f\x9a\x8c"},
    {"replacement counts one unit", "\xff\xff\xff", 2, R + R},
    {"empty", "", 255, ""},
};

TEST(Utf8Text, DecodesOrReplaces)
{
    for (const DecodeCase& c : kCases) {
        EXPECT_EQ(Utf8Text::decode(c.input, c.maxUnits), c.expected) << c.label;
    }
}

} // namespace
} // namespace corvane
