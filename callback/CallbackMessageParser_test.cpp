#include "callback/CallbackMessageParser.h"

#include <gtest/gtest.h>

// Cases name only the members that differ from a fresh record.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <cctype>
#include <cstdint>
#include <optional>
#include <ostream>
#include <random>
#include <string>

namespace corvane {
namespace {

constexpr const char* kId = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";
// 31 May 2011 and 13:45:30 in their packed forms.
constexpr std::int32_t kDate = 131794207;
constexpr std::int32_t kTime = 863518;

struct ParseCase
{
    const char* label;
    std::string text;
    std::string name = "Vehicle";
    std::int32_t type = 0;
    std::int32_t ordinal = 0;
    std::string deviceTitle;
    std::uint32_t flags = 0;
    std::int32_t date = 0;
    std::int32_t time = 0;
    std::string auxText1;
    std::int32_t auxNumber = 0;
    std::string auxText2;
    std::optional<std::string> id; // none: the record keeps the id it was made with
    std::string gpsData;
    CallbackInfo::OptionalInfo optionalInfo;
};

std::string fixedPart(const std::string& type)
{
    return std::string("Bus 7,") + type + ",0,x,Front unit,0,131794207,863518,a,0,b," + kId;
}

const ParseCase kCases[] = {
    {.label = "bare name", .text = "abc", .name = "abc"},
    {.label = "empty text", .text = ""},
    {.label = "only commas", .text = ",,,,,,,"},
    {.label = "one-space name", .text = " ,7", .type = 7},
    {.label = "two-space name is a name", .text = "  ,7", .name = "  ", .type = 7},
    {.label = "comma runs collapse", .text = "Bus,,,100", .name = "Bus", .type = 100},
    {.label = "leading commas ignored", .text = ",,Bus,12", .name = "Bus", .type = 12},
    {.label = "number 0 gives ordinal 1",
     .text = "Bus,1,0",
     .name = "Bus",
     .type = 1,
     .ordinal = 1},
    {.label = "unit separator is a comma in name and title only",
     .text = "A\x1f"
             "B,2,5,x,T\x1f"
             "U,9,1,2,a\x1f"
             "b,4,c\x1f"
             "d",
     .name = "A,B",
     .type = 2,
     .ordinal = 6,
     .deviceTitle = "T,U",
     .flags = 9,
     .date = 1,
     .time = 2,
     .auxText1 = "a\x1f"
                 "b",
     .auxNumber = 4,
     .auxText2 = "c\x1f"
                 "d"},
    {.label = "numbers read like atoi",
     .text = "Bus, \t+12xyz,-3,x,T,abc,0x10,7.9",
     .name = "Bus",
     .type = 12,
     .ordinal = -2,
     .deviceTitle = "T",
     .time = 7},
    {.label = "time keeps its low 24 bits",
     .text = "Bus,1,0,x,T,0,131794207," + std::to_string((0x7F << 24) | kTime),
     .name = "Bus",
     .type = 1,
     .ordinal = 1,
     .deviceTitle = "T",
     .date = kDate,
     .time = kTime},
    {.label = "flag word above INT32_MAX keeps its bits",
     .text = "Bus,1,0,x,T,4294967295",
     .name = "Bus",
     .type = 1,
     .ordinal = 1,
     .deviceTitle = "T",
     .flags = 0xFFFFFFFFu},
    {.label = "number INT32_MAX wraps instead of overflowing",
     .text = "Bus,1,2147483647",
     .name = "Bus",
     .type = 1,
     .ordinal = INT32_MIN},
    {.label = "id that does not parse is the zero id",
     .text = "B,1,0,x,T,0,0,0,a,0,b,nonsense",
     .name = "B",
     .type = 1,
     .ordinal = 1,
     .deviceTitle = "T",
     .auxText1 = "a",
     .auxText2 = "b",
     .id = "00000000-0000-0000-0000-000000000000"},
    {.label = "id in upper case",
     .text = "B,1,0,x,T,0,0,0,a,0,b,3F2504E0-4F89-11D3-9A0C-0305E82C3301",
     .name = "B",
     .type = 1,
     .ordinal = 1,
     .deviceTitle = "T",
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId},
    {.label = "complete position report",
     .text = fixedPart("100") + ",$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10",
     .name = "Bus 7",
     .type = 100,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .gpsData = "$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,"},
    {.label = "position report without asterisk takes the rest",
     .text = fixedPart("100") + ",$GPRMC,1,A",
     .name = "Bus 7",
     .type = 100,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .gpsData = "$GPRMC,1,A"},
    {.label = "position report skips leading asterisks only",
     .text = fixedPart("100") + ",**,$GP*12*x",
     .name = "Bus 7",
     .type = 100,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .gpsData = ",$GP"},
    {.label = "position report that ends at its id",
     .text = fixedPart("100"),
     .name = "Bus 7",
     .type = 100,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId},
    {.label = "short position report has no sentence",
     .text = "Bus,100,$GPRMC,1*00",
     .name = "Bus",
     .type = 100,
     .ordinal = 1},
    {.label = "event ignores what follows the id",
     .text = fixedPart("13") + ",$GPRMC,1,A*00,z,1,Driver,Ann",
     .name = "Bus 7",
     .type = 13,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId},
    {.label = "details: count above the pairs sent",
     .text = fixedPart("101") + ",z,3,Company,ORVEX",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .optionalInfo = {{"Company", "ORVEX"}}},
    {.label = "details: count INT32_MAX with one pair and a lone key",
     .text = fixedPart("101") + ",z,2147483647,Maker,M,Model",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .optionalInfo = {{"Maker", "M"}}},
    {.label = "details: blank value, repeated key, separators",
     .text = fixedPart("101") + ",z,4,License, ,Driver,Ann,Driver,Bob\x1f"
                                "Jr,K\x1f"
                                "1,v",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .optionalInfo = {{"License", ""},
                      {"Driver", "Bob,Jr"},
                      {"K\x1f"
                       "1",
                       "v"}}},
    {.label = "details: count stops before the surplus pairs",
     .text = fixedPart("101") + ",z,1,Maker,M,Model,X",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId,
     .optionalInfo = {{"Maker", "M"}}},
    {.label = "details: missing count",
     .text = fixedPart("101") + ",z",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId},
    {.label = "details: negative count",
     .text = fixedPart("101") + ",z,-1,Maker,M",
     .name = "Bus 7",
     .type = 101,
     .ordinal = 1,
     .deviceTitle = "Front unit",
     .date = kDate,
     .time = kTime,
     .auxText1 = "a",
     .auxText2 = "b",
     .id = kId},
    {.label = "invalid UTF-8 becomes U+FFFD",
     .text = "\xff"
             "a\xc3,1,0,x,\xed\xa0\x80",
     .name = "\xef\xbf\xbd"
             "a\xef\xbf\xbd",
     .type = 1,
     .ordinal = 1,
     .deviceTitle = "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
    {.label = "300-character name keeps 255",
     .text = std::string(300, 'n') + ",1",
     .name = std::string(255, 'n'),
     .type = 1},
    {.label = "two-unit characters are never split",
     .text =
         [] {
             std::string s;
             for (int i = 0; i < 200; ++i) {
                 s += "\xf0\x9f\x9a\x8c"; // U+1F68C, two UTF-16 units
             }
             return s;
         }(),
     .name =
         [] {
             std::string s;
             for (int i = 0; i < 127; ++i) {
                 s += "\xf0\x9f\x9a\x8c";
             }
             return s;
         }()},
};

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.label;
}

class ParseTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseTest, FillsRecord)
{
    const ParseCase& c = GetParam();
    CallbackInfo info("10.1.2.3", 40001);
    const UniqueID madeWith = info.getId();
    std::string text = c.text;
    ASSERT_TRUE(CallbackMessageParser().parse(text.c_str(), info));

    EXPECT_EQ(info.getName(), c.name);
    EXPECT_EQ(info.getType(), c.type);
    EXPECT_EQ(info.getOrdinal(), c.ordinal);
    EXPECT_EQ(info.getDeviceTitle(), c.deviceTitle);
    EXPECT_EQ(info.getFlags().value(), c.flags);
    EXPECT_EQ(info.getTime().date().packed(), c.date);
    EXPECT_EQ(info.getTime().time().packed(), c.time);
    EXPECT_EQ(info.getAuxText1(), c.auxText1);
    EXPECT_EQ(info.getAuxNumber(), c.auxNumber);
    EXPECT_EQ(info.getAuxText2(), c.auxText2);
    EXPECT_EQ(info.getId(), c.id ? UniqueID(c.id->c_str()) : madeWith);
    EXPECT_EQ(info.getGpsData(), c.gpsData);
    EXPECT_EQ(info.getOptionalInfo(), c.optionalInfo);
    // The sender is the record's, not the text's.
    EXPECT_EQ(info.getAddress(), "10.1.2.3");
    EXPECT_EQ(info.getPort(), 40001);
}

INSTANTIATE_TEST_SUITE_P(Messages, ParseTest, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.label;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) {
            ch = '_';
        }
    }
    return name;
});

TEST(CallbackMessageParser, PackedDateAndTimeGiveTheirFields)
{
    CallbackInfo info;
    CallbackMessageParser().parse(fixedPart("1").c_str(), info);
    const DateTime& t = info.getTime();
    EXPECT_EQ((t.date().year()), 2011);
    EXPECT_EQ(t.date().month(), 5);
    EXPECT_EQ(t.date().day(), 31);
    EXPECT_EQ(t.time().hour(), 13);
    EXPECT_EQ(t.time().minute(), 45);
    EXPECT_EQ(t.time().second(), 30);
}

TEST(CallbackMessageParser, ReusedRecordDropsEarlierTail)
{
    CallbackInfo info;
    CallbackMessageParser parser;
    parser.parse((fixedPart("101") + ",z,1,Driver,Ann").c_str(), info);
    ASSERT_EQ(info.getOptionalInfo().size(), 1u);
    parser.parse((fixedPart("100") + ",$GPRMC,1").c_str(), info);
    EXPECT_TRUE(info.getOptionalInfo().empty());
    parser.parse(fixedPart("3").c_str(), info);
    EXPECT_TRUE(info.getGpsData().empty());
}

// Arbitrary bytes, as a hostile sender may send them, still give a record
// whose texts are valid UTF-8 within the limit.
bool validUtf8WithinUnits(const std::string& s, std::size_t maxUnits)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if ((b >= 0x80 && b < 0xC2) || b > 0xF4) {
            return false;
        }
        if (i + len > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units <= maxUnits;
}

TEST(CallbackMessageParser, GarbageDatagramsGiveSaneRecords)
{
    std::mt19937 random(20110531);
    // Commas and separators are made frequent so that every field gets used.
    const std::string alphabet = ",,,,\x1f* 0123456789$-\xc3\xa9\xf0\x9f\x80\xed\xa0\xff\xfe\x80";
    for (int round = 0; round < 200; ++round) {
        std::string text(4094, '\0');
        for (char& ch : text) {
            ch = round % 2 ? static_cast<char>(1 + random() % 255)
                           : alphabet[random() % alphabet.size()];
        }
        CallbackInfo info;
        ASSERT_TRUE(CallbackMessageParser().parse(text.c_str(), info));
        EXPECT_FALSE(info.getName().empty());
        EXPECT_TRUE(validUtf8WithinUnits(info.getName(), 255));
        EXPECT_TRUE(validUtf8WithinUnits(info.getDeviceTitle(), 255));
        EXPECT_LE(info.getGpsData().size(), text.size());
    }
}

TEST(CallbackInfo, CopyToOverwritesEveryMember)
{
    CallbackInfo source("192.168.0.9", 5000);
    CallbackMessageParser().parse(
        (std::string("Van,101,4,x,Rear,6,131794207,863518,p,8,q,") + kId + ",z,1,Model,M3").c_str(),
        source);
    source.setGpsData("$GPRMC,1");

    CallbackInfo target("10.0.0.1", 1);
    target.optionalInfo()["Driver"] = "Ann";
    source.copyTo(target);

    EXPECT_EQ(target.getName(), "Van");
    EXPECT_EQ(target.getAuxText1(), "p");
    EXPECT_EQ(target.getAuxText2(), "q");
    EXPECT_EQ(target.getAddress(), "192.168.0.9");
    EXPECT_EQ(target.getDeviceTitle(), "Rear");
    EXPECT_EQ(target.getAuxNumber(), 8);
    EXPECT_EQ(target.getPort(), 5000);
    EXPECT_EQ(target.getType(), 101);
    EXPECT_EQ(target.getOrdinal(), 5);
    EXPECT_EQ(target.getFlags(), BitMask32(6));
    EXPECT_EQ(target.getTime(), source.getTime());
    EXPECT_EQ(target.getId(), UniqueID(kId));
    EXPECT_EQ(target.getGpsData(), "$GPRMC,1");
    EXPECT_EQ(target.getOptionalInfo(), (CallbackInfo::OptionalInfo{{"Model", "M3"}}));
}

TEST(CallbackInfo, NewRecordsHaveDistinctRandomIds)
{
    const CallbackInfo a;
    const CallbackInfo b("1.2.3.4", 9);
    EXPECT_NE(a.getId(), b.getId());
    EXPECT_FALSE(a.getId().isZero());
    EXPECT_FALSE(a.getTime().isSet());
}

} // namespace
} // namespace corvane
