#include "testsupport/RecorderSamples.h"
#include "tools/GprmcSentence.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace corvane;

namespace {

std::vector<std::string> splitFields(const std::string& sentence)
{
    std::vector<std::string> fields;
    size_t start = 1; // past '$'
    size_t star = sentence.find('*');
    std::string body = sentence.substr(start, star - start);
    size_t pos = 0;
    while (true) {
        size_t comma = body.find(',', pos);
        fields.push_back(body.substr(pos, comma - pos));
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    return fields;
}

double decodeDegrees(const std::string& field, const std::string& hemisphere)
{
    double x = std::atof(field.c_str());
    double d = std::floor(x / 100);
    double degrees = d + (x - d * 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -degrees : degrees;
}

} // namespace

TEST(GprmcSentenceTest, ChecksumOfPublishedSentences)
{
    // Sentences with the checksums their receivers sent.
    struct Case
    {
        const char* body;
        unsigned sum;
    } cases[] = {
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W", 0x6A},
        {"GPRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E", 0x62},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GprmcSentence::checksum(c.body), c.sum) << c.body;
}

TEST(GprmcSentenceTest, WrittenSentenceDecodesToTheFix)
{
    struct Case
    {
        double latitude, longitude, course;
        const char* latField;
        const char* ns;
        const char* lonField;
        const char* ew;
    } cases[] = {
        {37.387458, -121.972360, 309.62, "3723.2475", "N", "12158.3416", "W"},
        {-33.8688, 151.2093, 0.0, "3352.1280", "S", "15112.5580", "E"},
        // 59.99999' must carry into the next degree rather than print as 60'.
        {10.9999999, -0.0000001, 12.0, "1100.0000", "N", "00000.0000", "W"},
        {0.0, 0.0, -1.0, "0000.0000", "N", "00000.0000", "E"},
    };
    for (const auto& c : cases) {
        GprmcFix fix = test::sampleFix(c.latitude, c.longitude, 13, 45, 30.25);
        fix.speedKnots = 12.34;
        fix.courseDegrees = c.course;
        std::string s = GprmcSentence::format(fix);
        SCOPED_TRACE(s);

        size_t star = s.find('*');
        ASSERT_NE(star, std::string::npos);
        ASSERT_EQ(s.size(), star + 3);
        EXPECT_EQ(std::stoul(s.substr(star + 1), nullptr, 16),
                  GprmcSentence::checksum(s.substr(1, star - 1)));

        auto f = splitFields(s);
        ASSERT_EQ(f.size(), 12u);
        EXPECT_EQ(f[0], "GPRMC");
        EXPECT_EQ(f[1], "134530.25");
        EXPECT_EQ(f[2], "A");
        EXPECT_EQ(f[3], c.latField);
        EXPECT_EQ(f[4], c.ns);
        EXPECT_EQ(f[5], c.lonField);
        EXPECT_EQ(f[6], c.ew);
        EXPECT_EQ(f[7], "12.3");
        EXPECT_EQ(f[9], "310511");
        if (c.course < 0)
            EXPECT_EQ(f[8], "");
        else
            EXPECT_NEAR(std::atof(f[8].c_str()), c.course, 0.05);
        EXPECT_NEAR(decodeDegrees(f[3], f[4]), c.latitude, 1e-5);
        EXPECT_NEAR(decodeDegrees(f[5], f[6]), c.longitude, 1e-5);
    }
}

TEST(GprmcSentenceTest, SecondsNeverRoundUpToSixty)
{
    GprmcFix fix;
    fix.hour = 23;
    fix.minute = 59;
    fix.second = 59.999;
    fix.valid = false;
    auto f = splitFields(GprmcSentence::format(fix));
    EXPECT_EQ(f[1], "235959.99");
    EXPECT_EQ(f[2], "V");
}
