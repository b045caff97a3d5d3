#include "callback/CallbackMessageParser.h"
#include "callback/Utf8Text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>

// Cases name only the members that differ from a fresh record.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace corvane {
namespace {

constexpr const char* kId = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";
constexpr std::int32_t kDate = 131794207; // 2011-05-31, packed
constexpr std::int32_t kTime = 863518;    // 13:45:30, packed

struct ParseCase
{
    const char* label;
    std::string text;
    std::string name = "Vehicle";
    std::int32_t type = 0, ordinal = 0;
    std::string deviceTitle;
    std::uint32_t flags = 0;
    std::int32_t date = 0, time = 0;
    std::string auxText1;
    std::int32_t auxNumber = 0;
    std::string auxText2;
    std::optional<std::string> id; // none: the all-zero id, which names no vehicle
    std::string gpsData;
    CallbackInfo::OptionalInfo optionalInfo;
};

// A message with every fixed field, then `tail`.
// clang-format off
ParseCase full(const char* label, int type, const std::string& tail, std::string gpsData = {},
               CallbackInfo::OptionalInfo optionalInfo = {})
{
    return {.label = label,
            .text = "Bus 7," + std::to_string(type) + ",0,x,Front unit,0,131794207,863518,a,0,b," + kId + tail,
            .name = "Bus 7", .type = type, .ordinal = 1, .deviceTitle = "Front unit", .date = kDate, .time = kTime,
            .auxText1 = "a", .auxText2 = "b", .id = kId, .gpsData = gpsData, .optionalInfo = optionalInfo};
}
// clang-format on

std::string repeat(const std::string& s, int n)
{
    std::string out;
    while (n-- > 0) {
        out += s;
    }
    return out;
}

// n pairs of keys the station does not use, comma-separated.
std::string repeatPairs(int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i > 0 ? ",k" : "k") + std::to_string(i) + ",v";
    return out;
}

// clang-format off
const ParseCase kCases[] = {
    {.label = "bare name", .text = "abc", .name = "abc"},
    {.label = "empty text", .text = ""},
    {.label = "only commas", .text = ",,,,,,,"},
    {.label = "one-space name", .text = " ,7", .type = 7},
    {.label = "comma runs collapse", .text = ",,Bus,,,100", .name = "Bus", .type = 100},
    {.label = "unit separator only in name and title", .text = "A\x1f" "B,2,5,x,T\x1f" "U,9,1,2,a\x1f" "b,4,c",
     .name = "A,B", .type = 2, .ordinal = 6, .deviceTitle = "T,U", .flags = 9, .date = 1, .time = 2,
     .auxText1 = "a\x1f" "b", .auxNumber = 4, .auxText2 = "c"},
    {.label = "numbers read like atoi", .text = "Bus, \t+12xyz,-3,x,T,abc,0x10,7.9,a,+-4",
     .name = "Bus", .type = 12, .ordinal = -2, .deviceTitle = "T", .time = 7, .auxText1 = "a"},
    {.label = "time keeps its low 24 bits", .text = "B,1,0,x,T,0,1," + std::to_string((0x7F << 24) | kTime),
     .name = "B", .type = 1, .ordinal = 1, .deviceTitle = "T", .date = 1, .time = kTime},
    {.label = "unsigned flag word keeps its bits", .text = "B,1,0,x,T,4294967295",
     .name = "B", .type = 1, .ordinal = 1, .deviceTitle = "T", .flags = 0xFFFFFFFFu},
    {.label = "number INT32_MAX wraps", .text = "B,1,2147483647", .name = "B", .type = 1, .ordinal = INT32_MIN},
    {.label = "id that does not parse", .text = "B,1,0,x,T,0,0,0,a,0,b,nonsense", .name = "B", .type = 1,
     .ordinal = 1, .deviceTitle = "T", .auxText1 = "a", .auxText2 = "b", .id = "00000000-0000-0000-0000-000000000000"},
    {.label = "invalid UTF-8", .text = "\xff" "a\xc3,1,0,x,\xed\xa0\x80", .name = "\xef\xbf\xbd" "a\xef\xbf\xbd",
     .type = 1, .ordinal = 1, .deviceTitle = repeat("\xef\xbf\xbd", 3)},
    {.label = "300-character name", .text = std::string(300, 'n'), .name = std::string(255, 'n')},
    {.label = "two-unit characters not split", .text = repeat("\xf0\x9f\x9a\x8c", 200),
     .name = repeat("\xf0\x9f\x9a\x8c", 127)},
    {.label = "short position report", .text = "Bus,100,$GPRMC,1*00", .name = "Bus", .type = 100, .ordinal = 1},
    full("position report", 100, ",$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,*10",
         "$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,"),
    full("position report without asterisk", 100, ",$GPRMC,1,A", "$GPRMC,1,A"),
    full("position report skips asterisks only", 100, ",**,$GP*12*x", ",$GP"),
    full("position report ending at its id", 100, ""),
    full("event ignores the rest", 13, ",$GPRMC,1,A*00,z,1,Driver,Ann"),
    full("details short of their count", 101, ",z,3,Company,ORVEX", "", {{"Company", "ORVEX"}}),
    full("details count INT32_MAX", 101, ",z,2147483647,Maker,M,Model", "", {{"Maker", "M"}}),
    full("details blank, repeated, separated", 101, ",z,4,License, ,Driver,Ann,Driver,Bob\x1f" "Jr,K\x1f" "1,v", "",
         {{"License", ""}, {"Driver", "Bob,Jr"}}),
    full("details beyond the count", 101, ",z,1,Maker,M,Model,X", "", {{"Maker", "M"}}),
    full("details without count", 101, ",z"),
    full("details with negative count", 101, ",z,-1,Maker,M"),
    full("details keys are matched exactly", 101, ",z,3,driver,a,Driver ,b,DriverX,c"),
    full("details after unused pairs", 101, ",z,700," + repeatPairs(63) + ",Model,M1", "", {{"Model", "M1"}}),
    full("details beyond the pair limit", 101, ",z,700," + repeatPairs(64) + ",Model,M1"),
    full("details repeated beyond the pair limit", 101, ",z,700,Driver,Ann," + repeatPairs(62) + ",Driver,Bob,Driver,Cy",
         "", {{"Driver", "Bob"}}),
};
// clang-format on

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.label;
}

class ParseTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseTest, FillsRecordAndCopiesWhole)
{
    const ParseCase& c = GetParam();
    CallbackInfo info("10.1.2.3", 40001);
    ASSERT_TRUE(CallbackMessageParser().parse(c.text.c_str(), info));
    // A copy must carry every member and nothing of the target's past.
    CallbackInfo copy("10.9.9.9", 1);
    copy.optionalInfo()["Stale"] = "x";
    info.copyTo(copy);

    for (const CallbackInfo* record : {&info, &copy}) {
        EXPECT_EQ(record->getName(), c.name);
        EXPECT_EQ(record->getType(), c.type);
        EXPECT_EQ(record->getOrdinal(), c.ordinal);
        EXPECT_EQ(record->getDeviceTitle(), c.deviceTitle);
        EXPECT_EQ(record->getFlags().value(), c.flags);
        EXPECT_EQ(record->getTime().date().packed(), c.date);
        EXPECT_EQ(record->getTime().time().packed(), c.time);
        EXPECT_EQ(record->getAuxText1(), c.auxText1);
        EXPECT_EQ(record->getAuxNumber(), c.auxNumber);
        EXPECT_EQ(record->getAuxText2(), c.auxText2);
        EXPECT_EQ(record->getId(), c.id ? UniqueID(c.id->c_str()) : UniqueID::zero());
        EXPECT_EQ(record->getGpsData(), c.gpsData);
        EXPECT_EQ(record->getOptionalInfo(), c.optionalInfo);
        EXPECT_EQ(record->getAddress(), "10.1.2.3");
        EXPECT_EQ(record->getPort(), 40001);
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, ParseTest, ::testing::ValuesIn(kCases));

TEST(CallbackMessageParser, ReusedRecordDropsEarlierTail)
{
    CallbackInfo info;
    CallbackMessageParser parser;
    parser.parse(full("", 101, ",z,1,Driver,Ann").text.c_str(), info);
    parser.parse(full("", 100, ",$GPRMC,1").text.c_str(), info);
    EXPECT_TRUE(info.getOptionalInfo().empty());
    parser.parse(full("", 3, "").text.c_str(), info);
    EXPECT_TRUE(info.getGpsData().empty());
}

TEST(CallbackMessageParser, GarbageDatagramsGiveShowableNames)
{
    std::mt19937 random(20110531);
    // Separators and broken UTF-8 made frequent so that every field gets used.
    const std::string alphabet = ",,,,\x1f* 09$-\xc3\xa9\xf0\x9f\x80\xed\xa0\xff";
    for (int round = 0; round < 200; ++round) {
        std::string text(4094, '\0');
        for (char& ch : text) {
            ch = round % 2 ? static_cast<char>(1 + random() % 255)
                           : alphabet[random() % alphabet.size()];
        }
        CallbackInfo info;
        ASSERT_TRUE(CallbackMessageParser().parse(text.c_str(), info));
        // Valid UTF-8 within the limit is exactly what decoding leaves alone.
        EXPECT_FALSE(info.getName().empty());
        EXPECT_EQ(Utf8Text::decode(info.getName(), 255), info.getName());
        EXPECT_EQ(Utf8Text::decode(info.getDeviceTitle(), 255), info.getDeviceTitle());
    }
}

} // namespace
} // namespace corvane
