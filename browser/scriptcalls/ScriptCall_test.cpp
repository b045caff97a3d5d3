#include "browser/scriptcalls/ScriptCall.h"
#include "browser/scriptcalls/ScriptLiteral.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ScriptLiteral, EscapesEverythingThatWouldEndTheLiteral)
{
    const struct
    {
        std::string text;
        std::string escaped;
    } cases[] = {
        {"", ""},
        {"Truck 7", "Truck 7"},
        {"O'Brien\\1", "O\\'Brien\\\\1"},
        {"\\'", "\\\\\\'"},
        {"''", "\\'\\'"},
        {"line\nbreak", "line\\nbreak"},
        {"cr\r\n", "cr\\r\\n"},
        {"a\xE2\x80\xA8"
         "b\xE2\x80\xA9"
         "c",
         "a\\u2028b\\u2029c"},
        {std::string("nul\0x", 5), "nul\\u0000x"},
        {"\x01\x1F\t\x7F", "\\u0001\\u001f\\u0009\\u007f"},
        // Neighbours of the line terminators and cut sequences stay as they are.
        {"\xE2\x80\xA7\xE2\x80\xAA", "\xE2\x80\xA7\xE2\x80\xAA"},
        {"end\xE2\x80", "end\xE2\x80"},
        {"Z\xC3\xBCrich \xE5\x8C\x97\xE4\xBA\xAC", "Z\xC3\xBCrich \xE5\x8C\x97\xE4\xBA\xAC"},
        {"\"double\" </script>", "\"double\" </script>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScriptLiteral::escape(c.text), c.escaped) << c.text;
        std::string quoted = "x=";
        ScriptLiteral::appendQuoted(quoted, c.text);
        EXPECT_EQ(quoted, "x='" + c.escaped + "'");
    }
}

// Reals are written as "%f" writes them in the C locale, whatever the locale.
TEST(ScriptCall, RealsMatchFixedPointWithSixDecimals)
{
    const double values[] = {
        0.0,       -0.0,       -1.0,        1.0,       37.5665, -126.978, 0.0000005,
        0.0000015, -0.0000004, 123.4567895, 359.99999, 1e-300,  1e20,     -9.87654321e15,
        DBL_MAX,   -DBL_MAX,   DBL_MIN,     1.0 / 3.0, 2.5e-6,  0.1};
    for (double value : values) {
        char expected[400];
        std::snprintf(expected, sizeof expected, "%f", value);
        EXPECT_EQ(ScriptCall("f").real(value).finish(), std::string("f(") + expected + ")")
            << value;
    }
    EXPECT_EQ(ScriptCall("f").real(-1).finish(), "f(-1.000000)");
}

TEST(ScriptCall, NonFiniteRealsStayValidScript)
{
    EXPECT_EQ(ScriptCall("f").real(NAN).real(INFINITY).real(-INFINITY).finish(),
              "f(NaN, Infinity, -Infinity)");
}

} // namespace
} // namespace corvane
