#include "callback/GPSInfo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

using Row = std::vector<std::string>;

// The data rows of one tab-separated file of the receiver captures.
std::vector<Row> readCaptures(const std::string& name)
{
    const std::string path = std::string(CORVANE_TEST_DATA) + "/nmea/" + name;
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << "test data file missing or unreadable: " << path;
    std::vector<Row> rows;
    std::string line;
    for (bool header = true; std::getline(in, line);) {
        if (line.empty() || line[0] == '#' || std::exchange(header, false)) {
            continue;
        }
        Row row;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) {
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

// Whether a corpus row's decoded position lies off the globe or its
// minutes (either coordinate) reach 60.
bool madeUp(const std::string& sentence, const std::string& lat, const std::string& lon)
{
    std::vector<std::string> fields;
    std::stringstream split(sentence);
    for (std::string field; std::getline(split, field, ',');)
        fields.push_back(field);
    const auto minutes = [](const std::string& text) {
        const double x = std::stod(text);
        return x - 100 * std::floor(x / 100);
    };
    return std::fabs(std::stod(lat)) > 90 || std::fabs(std::stod(lon)) > 180 ||
           minutes(fields.at(3)) >= 60 || minutes(fields.at(5)) >= 60;
}

TEST(GPSInfo, ReceiverCorpusDecodesAsIndependentlyDecoded)
{
    // Positions exactly half-way between two six-place values may print as
    // either neighbour: those are compared with their exact values.
    std::map<std::string, Row> ties;
    for (const Row& row : readCaptures("rmc_rounding_ties.tsv")) {
        ties[row.at(1)] = row;
    }
    const std::vector<Row> rows = readCaptures("rmc_corpus.tsv");
    ASSERT_GT(rows.size(), 1000u);
    int madeUpRows = 0;
    for (const Row& row : rows) {
        ASSERT_EQ(row.size(), 10u);
        SCOPED_TRACE(row[0] + ": " + row[1]);
        const GPSInfo gps(row[1]);
        // Some receivers without a fix fill the fields with numbers off the
        // globe (360 degrees north) or 60 minutes: no position, no point to draw.
        if (madeUp(row[1], row[3], row[4])) {
            ++madeUpRows;
            EXPECT_FALSE(gps.hasPosition());
            EXPECT_EQ(gps.latitude(), 0.0);
            EXPECT_EQ(gps.longitude(), 0.0);
        } else if (const auto tie = ties.find(row[1]); tie != ties.end()) {
            EXPECT_NEAR(gps.latitude(), std::stod(tie->second.at(2)), 1e-6);
            EXPECT_NEAR(gps.longitude(), std::stod(tie->second.at(3)), 1e-6);
        } else {
            EXPECT_EQ(sixPlaces(gps.latitude()), row[3]);
            EXPECT_EQ(sixPlaces(gps.longitude()), row[4]);
        }
        EXPECT_EQ(sixPlaces(gps.speed()), row[5]);
        EXPECT_EQ(sixPlaces(gps.course()), row[6]);
        EXPECT_EQ(gps.fixTime(), Time(std::stoi(row[7]), std::stoi(row[8]), std::stoi(row[9])));
    }
    EXPECT_EQ(madeUpRows, 36);
}

TEST(GPSInfo, SentencesWithoutFixKeepTheirFieldsAndReadEmpty)
{
    const std::vector<Row> rows = readCaptures("rmc_nofix.tsv");
    ASSERT_FALSE(rows.empty());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.at(1));
        const GPSInfo gps(row[1]);
        EXPECT_EQ(gps.fields().size(), std::stoul(row.at(3)));
        if (gps.fields().at(3).empty()) {
            EXPECT_EQ(gps.latitude(), 0.0);
        }
        EXPECT_EQ(gps.hasPosition(), !gps.fields().at(3).empty() && !gps.fields().at(5).empty());
        if (gps.fields().at(8).empty()) {
            EXPECT_EQ(gps.course(), -1.0);
        }
    }
}

TEST(GPSInfo, DerivedValues)
{
    const struct
    {
        const char* sentence;
        double latitude, longitude, speed, course;
        int hour, minute, second;
    } cases[] = {
        // clang-format off
        {"$GPRMC,134530,A,3723.2475,N,12158.3416,W,0.13,309.62,310511,,", 37.387458, -121.972360, 0.13, 309.62, 13, 45, 30},
        {"$GPRMC,134530.25,A,3723.2475,N,12158.3416,W,0.13,,310511,,", 37.387458, -121.972360, 0.13, -1, 13, 45, 30},
        // Void status is used; a hemisphere other than exactly N, S, E or W
        // is no position, and speed or course text that is no number reads 0.
        {"$GPRMC,134530,V,3723.2475,s,12158.3416,w,0.13,0,310511,,", 0, 0, 0.13, 0, 13, 45, 30},
        {"$GPRMC,1,A,1030.0,S ,01030.0,WW,x,nan,", 0, 0, 0, 0, 1, 0, 0},
        {"$GPRMC,235959,A,8959.9999,S,17959.9999,E,9999.9,359.9,,,", -89.9999983, 179.9999983, 9999.9, 359.9, 23, 59, 59},
        // Too few fields, too short a time: nothing read past them.
        {"", 0, 0, 0, -1, 0, 0, 0},
        {"$GPRMC", 0, 0, 0, -1, 0, 0, 0},
        {"$GPRMC,12345", 0, 0, 0, -1, 12, 34, 5},
        {"$GPRMC,1,A,inf,N,1e999,E", 0, 0, 0, -1, 1, 0, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        const GPSInfo gps(c.sentence);
        EXPECT_NEAR(gps.latitude(), c.latitude, 5e-7);
        EXPECT_NEAR(gps.longitude(), c.longitude, 5e-7);
        EXPECT_DOUBLE_EQ(gps.speed(), c.speed);
        EXPECT_DOUBLE_EQ(gps.course(), c.course);
        EXPECT_EQ(gps.fixTime(), Time(c.hour, c.minute, c.second));
    }
}

TEST(GPSInfo, PositionNeedsBothCoordinatesWhateverTheStatus)
{
    const struct
    {
        const char* sentence;
        bool position;
    } cases[] = {
        {"$GPRMC,,V,,,,,,,,,,N", false},
        {"$GPRMC,134530,V,,N,12158.3416,W,0,0,310511,,", false},
        {"$GPRMC,134530,A,3723.2475,N,,W,0,0,310511,,", false},
        {"$GPRMC,134530,V,3723.2475,N,12158.3416,W,0,0,310511,,", true},
        {"$GPRMC,134530,A,0000.0000,N,00000.0000,E,0,0,310511,,", true},
        {"$GPRMC,134530,A,3723.2475", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(GPSInfo(c.sentence).hasPosition(), c.position);
    }
}

TEST(GPSInfo, Splitting)
{
    const struct
    {
        const char* sentence;
        std::vector<std::string> fields;
    } cases[] = {
        {",,,,,,,,,,,", std::vector<std::string>(12)},
        // Without any character of "$GPRMC" the split starts at the first
        // byte; with one, one past it.
        {"134530,A,3723.2475", {"134530", "A", "3723.2475"}},
        {"xxC,1", {"", "1"}},
        {"$GNRMC,1", {"GNRMC", "1"}},
        // An asterisk separates only where no comma follows it.
        {"$GPRMC,a*b,c*d", {"GPRMC", "a*b", "c", "d"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GPSInfo(c.sentence).fields(), c.fields) << c.sentence;
    }
}

} // namespace
} // namespace corvane
