#include "callback/GPSInfo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Row = std::vector<std::string>;

// The rows of a tab-separated file of the shared receiver captures, without
// comment lines and the header.
std::vector<Row> readCaptures(const std::string& name)
{
    const char* root = std::getenv("CORVANE_SHARED_DATA");
    EXPECT_NE(root, nullptr) << "CORVANE_SHARED_DATA is not set";
    if (root == nullptr) {
        return {};
    }
    std::ifstream in(std::string(root) + "/nmea/" + name);
    EXPECT_TRUE(in.good()) << name;
    std::vector<Row> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (header) {
            header = false;
            continue;
        }
        Row row;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) {
            row.push_back(field);
        }
        rows.push_back(row);
    }
    return rows;
}

std::string sixPlaces(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

TEST(GPSInfo, ReceiverCorpusDecodesAsIndependentlyDecoded)
{
    // Positions exactly half-way between two six-place values may print as
    // either neighbour; those are compared numerically.
    std::map<std::string, Row> ties;
    for (const Row& row : readCaptures("rmc_rounding_ties.tsv")) {
        ASSERT_EQ(row.size(), 6u);
        ties[row[1]] = row;
    }
    ASSERT_FALSE(ties.empty());

    const std::vector<Row> rows = readCaptures("rmc_corpus.tsv");
    ASSERT_GT(rows.size(), 1000u);
    std::size_t tiesSeen = 0;
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 10u);
        const GPSInfo gps(row[1]);
        SCOPED_TRACE(row[0] + ": " + row[1]);
        const auto tie = ties.find(row[1]);
        if (tie != ties.end()) {
            ++tiesSeen;
            EXPECT_NEAR(gps.latitude(), std::stod(tie->second[2]), 1e-6);
            EXPECT_NEAR(gps.longitude(), std::stod(tie->second[3]), 1e-6);
        } else {
            EXPECT_EQ(sixPlaces(gps.latitude()), row[3]);
            EXPECT_EQ(sixPlaces(gps.longitude()), row[4]);
        }
        EXPECT_EQ(sixPlaces(gps.speed()), row[5]);
        EXPECT_EQ(sixPlaces(gps.course()), row[6]);
        const Time fix = gps.fixTime();
        EXPECT_EQ(fix.hour(), std::stoi(row[7]));
        EXPECT_EQ(fix.minute(), std::stoi(row[8]));
        EXPECT_EQ(fix.second(), std::stoi(row[9]));
    }
    EXPECT_EQ(tiesSeen, ties.size());
}

TEST(GPSInfo, SentencesWithoutFixStayInBounds)
{
    const std::vector<Row> rows = readCaptures("rmc_nofix.tsv");
    ASSERT_FALSE(rows.empty());
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 4u);
        const GPSInfo gps(row[1]);
        SCOPED_TRACE(row[1]);
        EXPECT_EQ(gps.fields().size(), std::stoul(row[3]));
        EXPECT_TRUE(std::isfinite(gps.latitude()));
        EXPECT_TRUE(std::isfinite(gps.longitude()));
        EXPECT_TRUE(std::isfinite(gps.speed()));
        EXPECT_TRUE(std::isfinite(gps.course()));
        EXPECT_LE(gps.fixTime().hour(), 99);
    }
}

struct SentenceCase
{
    const char* sentence;
    double latitude;
    double longitude;
    double speed;
    double course;
    int hour, minute, second;
};

TEST(GPSInfo, DerivedValues)
{
    const SentenceCase cases[] = {
        {"$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,", 37.387458, -121.972360,
         0.13, 309.62, 13, 45, 30},
        {"$GPRMC,134530.25,A,3723.2475,N,12158.3416,W,0.13,,310511,,", 37.387458, -121.972360, 0.13,
         -1, 13, 45, 30},
        {"$GPRMC,134530,V,3723.2475,s,12158.3416,w,0.13,0,310511,,", 37.387458, 121.972360, 0.13, 0,
         13, 45, 30},
        {"$GPRMC,000000,A,0000.0000,S,00000.0000,W,0,0,,,", 0, 0, 0, 0, 0, 0, 0},
        {"$GPRMC,235959,A,8959.9999,S,17959.9999,E,9999.9,359.9,,,", -89.9999983, 179.9999983,
         9999.9, 359.9, 23, 59, 59},
        // Hemisphere texts other than exactly S and W leave the value positive.
        {"$GPRMC,1,A,1030.0,S ,1030.0,WW,x,nan,", 10.5, 10.5, 0, 0, 1, 0, 0},
        // Nothing to read: no field is there.
        {"", 0, 0, 0, -1, 0, 0, 0},
        {"$GPRMC", 0, 0, 0, -1, 0, 0, 0},
        {"$GPRMC,12", 0, 0, 0, -1, 12, 0, 0},
        {"$GPRMC,12345", 0, 0, 0, -1, 12, 34, 5},
    };
    for (const SentenceCase& c : cases) {
        SCOPED_TRACE(c.sentence);
        const GPSInfo gps(c.sentence);
        EXPECT_NEAR(gps.latitude(), c.latitude, 5e-7);
        EXPECT_NEAR(gps.longitude(), c.longitude, 5e-7);
        EXPECT_DOUBLE_EQ(gps.speed(), c.speed);
        EXPECT_DOUBLE_EQ(gps.course(), c.course);
        EXPECT_EQ(gps.fixTime(), Time(c.hour, c.minute, c.second));
    }
}

TEST(GPSInfo, Splitting)
{
    const struct
    {
        const char* sentence;
        std::vector<std::string> fields;
    } cases[] = {
        {"$GPRMC,1,,A", {"GPRMC", "1", "", "A"}},
        {",,,,,,,,,,,", std::vector<std::string>(12)},
        // Without any character of "$GPRMC" the split starts at the first byte.
        {"134530,A,3723.2475", {"134530", "A", "3723.2475"}},
        // Any one of those characters starts it one past itself.
        {"xxC,1", {"", "1"}},
        {"$GNRMC,1", {"GNRMC", "1"}},
        // An asterisk separates only where no comma follows it.
        {"$GPRMC,1*2", {"GPRMC", "1", "2"}},
        {"$GPRMC,a*b,c*d", {"GPRMC", "a*b", "c", "d"}},
        {"$", {""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GPSInfo(c.sentence).fields(), c.fields) << c.sentence;
    }
}

} // namespace
} // namespace corvane
