#include "browser/scriptcalls/JsonText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace corvane {
namespace {

// The texts the toolkit's JSON document writes for the same values: the page
// must get the track history's object exactly as before.
TEST(JsonText, WritesNumbersAsTheToolkitsDocumentDoes)
{
    struct Case
    {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {100.0, "100"},
        {1e-4, "1e-04"},
        {1.5e-4, "0.00015"},
        {1e-5, "1e-05"},
        {2.5e-5, "2.5e-05"},
        {52.512345, "52.512345"},
        {-179.999999, "-179.999999"},
        {1234567.125, "1234567.125"},
        {1e15, "1000000000000000"},
        {9007199254740992.0, "9007199254740992"},
        {1e16, "1e+16"},
        {12345678901234567.0, "12345678901234568"},
        {1e21, "1e+21"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {5e-324, "5e-324"},
        {NAN, "null"},
        {-INFINITY, "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonText().number(c.value).finish(), c.text) << c.text;
}

// Fixed decimals, as a page call writes its reals: valid JSON however small or
// large, and never NaN, which JSON cannot hold.
TEST(JsonText, WritesFixedDecimalsAsAPageCallDoes)
{
    const std::pair<double, const char*> cases[] = {
        {37.5665, "37.566500"},      {-0.0000001, "-0.000000"},
        {1e-7, "0.000000"},          {1e21, "1000000000000000000000.000000"},
        {126.9786664, "126.978666"}, {NAN, "null"},
        {INFINITY, "null"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(JsonText().beginArray().decimal(value, 6).endArray().finish(),
                  std::string("[") + text + "]")
            << text;
}

TEST(JsonText, EscapesWhatEndsOrBreaksAString)
{
    EXPECT_EQ(JsonText().string("a\"b\\c\n\x01\x1f\t\b\f\r/\x7f \xE2\x80\xA8 \xC3\xA9").finish(),
              "\"a\\\"b\\\\c\\n\\u0001\\u001f\\t\\b\\f\\r/\x7f \xE2\x80\xA8 \xC3\xA9\"");
}

TEST(JsonText, SeparatesNestedValues)
{
    JsonText json;
    json.beginObject().key("a").beginArray().integer(1).beginObject().endObject().number(2.5);
    json.endArray().key("b").beginArray().endArray().key("c").string("").endObject();
    EXPECT_EQ(json.finish(), R"({"a":[1,{},2.5],"b":[],"c":""})");
}

} // namespace
} // namespace corvane
