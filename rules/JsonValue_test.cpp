#include "rules/JsonValue.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

std::optional<JsonValue> parse(const std::string& text, std::string& error,
                               JsonValue::Limits limits = {})
{
    return JsonValue::parse(text, limits, error);
}

TEST(JsonValueTest, ReadsValuesAndKeepsMemberOrder)
{
    std::string error;
    const auto value = parse(
        R"( {"b": [1, -2.5e1, 0.125], "a": "x\"\\\/\u00e9\ud83d\ude00", "t": true, "n": null} )",
        error);
    ASSERT_TRUE(value) << error;
    ASSERT_EQ(value->members().size(), 4u);
    EXPECT_EQ(value->members()[0].first, "b");
    const JsonValue* b = value->find("b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->items().size(), 3u);
    EXPECT_EQ(b->items()[1].number(), -25.0);
    EXPECT_EQ(b->items()[2].number(), 0.125);
    EXPECT_EQ(value->find("a")->text(), "x\"\\/\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_TRUE(value->find("t")->boolean());
    EXPECT_TRUE(value->find("n")->isNull());
    EXPECT_EQ(value->find("missing"), nullptr);
}

TEST(JsonValueTest, RefusesWhatIsNotStrictJson)
{
    const char* const refused[] = {
        "",
        "{",
        "[1,]",
        "{\"a\":1,}",
        "[01]",
        "[1.]",
        "[.5]",
        "[1e]",
        "[+1]",
        "[NaN]",
        "[Infinity]",
        "[1e400]",
        "[-1e400]",
        "{\"a\":1,\"a\":2}",
        "[\"\x01\"]",
        "[\"\\x\"]",
        "[\"\\ud800\"]",
        "[\"\\udc00\"]",
        "[\"\\ud800\\u0041\"]",
        "[\"\\u12\"]",
        "[\"open]",
        "[1] [2]",
        "// comment\n[1]",
        "[tru]",
        "{'a':1}",
        "{a:1}",
    };
    for (const char* text : refused) {
        std::string error;
        EXPECT_FALSE(parse(text, error)) << text;
        EXPECT_NE(error, "") << text;
    }
}

TEST(JsonValueTest, HostileTextsStopAtTheLimits)
{
    std::string error;
    JsonValue::Limits limits;
    limits.maxDepth = 16;
    limits.maxValues = 1000;
    // Deep nesting would otherwise cost a stack frame per level.
    const std::string deep(100000, '[');
    EXPECT_FALSE(parse(deep, error, limits));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
    EXPECT_TRUE(parse(std::string(16, '[') + std::string(16, ']'), error, limits)) << error;
    EXPECT_FALSE(parse(std::string(17, '[') + std::string(17, ']'), error, limits));

    std::string wide = "[0";
    for (int i = 0; i < 5000; ++i)
        wide += ",0";
    wide += "]";
    EXPECT_FALSE(parse(wide, error, limits));
    EXPECT_NE(error.find("too many values"), std::string::npos) << error;
}

} // namespace
} // namespace corvane
