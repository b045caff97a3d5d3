#include "rules/ZoneShape.h"
#include "rules/ZoneShapeReader.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

// Metres of latitude per degree on the sphere the circles use.
const double metresPerDegree = ZoneShape::earthRadiusMetres * M_PI / 180.0;

const char* const square = // lon 10..11, lat 45..46
    R"({"type":"Polygon","coordinates":[[[10,45],[11,45],[11,46],[10,46],[10,45]]]})";
const char* const withHole = // lon 0..10, lat 0..10, hole lon 4..6, lat 4..6
    R"({"type":"Feature","properties":{"name":"x"},"geometry":{"type":"Polygon","coordinates":[)"
    R"([[0,0],[10,0],[10,10],[0,10],[0,0]],[[4,4],[4,6],[6,6],[6,4],[4,4]]]}})";
const char* const acrossLine = // lon 170 to -170 across the antimeridian, lat -10..10
    R"({"type":"Polygon","coordinates":[[[170,-10],[-170,-10],[-170,10],[170,10],[170,-10]]]})";
const char* const acrossLinePanned = // the same zone as a map panned east writes it
    R"({"type":"Polygon","coordinates":[[[170,-10],[190,-10],[190,10],[170,10],[170,-10]]]})";
const char* const notch = // a U: lon 0..3, lat 0..3, the notch lon 1..2 from lat 1 up
    R"({"type":"Polygon","coordinates":[[[0,0],[3,0],[3,3],[2,3],[2,1],[1,1],[1,3],[0,3],[0,0]]]})";
const char* const triangle =
    R"({"type":"Polygon","coordinates":[[[0,0,12.5],[4,0,12.5],[0,4,12.5],[0,0,12.5]]]})";
const char* const circle = // 1000 m around lat 52, lon 4
    R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":1000}})";
const char* const circleOnLine = // 5 km around lat 0, lon 179.99
    R"({"type":"Feature","geometry":{"type":"Point","coordinates":[179.99,0]},"properties":{"radius":5000}})";

struct Probe
{
    const char* zone;
    double latitude;
    double longitude;
    bool inside;
    const char* what;
};

const Probe probes[] = {
    {square, 45.5, 10.5, true, "middle"},
    {square, 45.5, 9.5, false, "west of it"},
    {square, 46.5, 10.5, false, "north of it"},
    {square, 45.5, 10.0, true, "on the west edge"},
    {square, 46.0, 10.5, true, "on the north edge"},
    {square, 45.0, 10.0, true, "on the south-west corner"},
    {square, 46.0, 11.0, true, "on the north-east corner"},
    {square, 45.5, 9.999999, false, "a tenth of a metre west of the edge"},
    {square, 45.5, 10.000001, true, "a tenth of a metre east of the edge"},
    {square, 46.000001, 11.0, false, "just north of the corner"},
    {square, 45.0, 12.0, false, "east of it along the line of its south edge"},
    {square, 46.0, 9.0, false, "west of it along the line of its north edge"},
    {square, 45.5, 370.5, true, "a longitude a turn round"},
    {withHole, 2, 2, true, "in the outline, out of the hole"},
    {withHole, 5, 5, false, "in the hole"},
    {withHole, 5, 4, true, "on the hole's edge"},
    {withHole, 4, 4, true, "on the hole's corner"},
    {withHole, 5, 4.0001, false, "just inside the hole"},
    {withHole, 10, 10, true, "on the outline's corner"},
    {acrossLine, 0, 180, true, "on the antimeridian"},
    {acrossLine, 0, -180, true, "on the antimeridian, written west"},
    {acrossLine, 5, 175, true, "east part"},
    {acrossLine, -5, -175, true, "west part"},
    {acrossLine, 0, 0, false, "the other side of the world"},
    {acrossLine, 0, 165, false, "west of it"},
    {acrossLine, 0, -165, false, "east of it"},
    {acrossLine, 0, -170, true, "on its east edge"},
    {acrossLinePanned, 0, -175, true, "west part, panned zone"},
    {acrossLinePanned, 0, 175, true, "east part, panned zone"},
    {acrossLinePanned, 0, 0, false, "the other side, panned zone"},
    {acrossLinePanned, 0, -169, false, "east of the panned zone"},
    {notch, 2, 1.5, false, "in the notch"},
    {notch, 0.5, 1.5, true, "under the notch"},
    {notch, 2, 0.5, true, "left arm"},
    {notch, 1, 1.5, true, "on the notch's floor"},
    {notch, 3, 1.5, false, "at the notch's mouth, between the arms"},
    {triangle, 1, 1, true, "triangle, near the right angle"},
    {triangle, 2.5, 2.5, false, "triangle, past the long side"},
    {circle, 52 + 999 / metresPerDegree, 4, true, "999 m north of the centre"},
    {circle, 52 + 1001 / metresPerDegree, 4, false, "1001 m north of the centre"},
    {circle, 52, 4, true, "the centre"},
    {circle, 52, 4 + 999 / metresPerDegree / std::cos(52 * M_PI / 180), true, "999 m east"},
    {circle, 52, 4 + 1010 / metresPerDegree / std::cos(52 * M_PI / 180), false, "1010 m east"},
    {circleOnLine, 0, -179.99, true, "across the antimeridian, 2.2 km away"},
    {circleOnLine, 0, -179.9, false, "across the antimeridian, 12 km away"},
    {circleOnLine, 0, 179.9, false, "10 km west"},
};

TEST(ZoneShapeTest, ContainsPositionsAsTheMapShowsThem)
{
    for (const Probe& probe : probes) {
        std::string reason;
        const auto shape = ZoneShapeReader::read(probe.zone, reason);
        ASSERT_TRUE(shape) << probe.what << ": " << reason;
        EXPECT_EQ(shape->contains(probe.latitude, probe.longitude), probe.inside) << probe.what;
        if (probe.inside) {
            // The index finds zones by these boxes: every inside position must lie in one.
            double lon = std::fmod(probe.longitude + 180.0, 360.0);
            lon = (lon < 0 ? lon + 360.0 : lon) - 180.0;
            bool boxed = false;
            for (const GeoBox& box : shape->bounds())
                boxed = boxed || (probe.latitude >= box.south && probe.latitude <= box.north &&
                                  ((lon >= box.west && lon <= box.east) ||
                                   (lon == -180.0 && box.east == 180.0)));
            EXPECT_TRUE(boxed) << probe.what;
        }
    }
}

TEST(ZoneShapeTest, NonFinitePositionsAreNowhere)
{
    std::string reason;
    for (const char* zone : {square, circle, acrossLine}) {
        const auto shape = ZoneShapeReader::read(zone, reason);
        ASSERT_TRUE(shape) << reason;
        EXPECT_FALSE(shape->contains(NAN, 10.5));
        EXPECT_FALSE(shape->contains(45.5, INFINITY));
    }
}

TEST(ZoneShapeTest, BoundsSplitAtTheAntimeridian)
{
    std::string reason;
    const auto shape = ZoneShapeReader::read(acrossLinePanned, reason);
    ASSERT_TRUE(shape) << reason;
    ASSERT_EQ(shape->bounds().size(), 2u);
    EXPECT_DOUBLE_EQ(shape->bounds()[0].west, 170);
    EXPECT_DOUBLE_EQ(shape->bounds()[0].east, 180);
    EXPECT_DOUBLE_EQ(shape->bounds()[1].west, -180);
    EXPECT_DOUBLE_EQ(shape->bounds()[1].east, -170);
    // A circle over the pole covers every longitude.
    const auto polar = ZoneShapeReader::read(
        R"({"type":"Feature","geometry":{"type":"Point","coordinates":[0,89.9]},"properties":{"radius":50000}})",
        reason);
    ASSERT_TRUE(polar) << reason;
    ASSERT_EQ(polar->bounds().size(), 1u);
    EXPECT_EQ(polar->bounds()[0].west, -180);
    EXPECT_EQ(polar->bounds()[0].east, 180);
    EXPECT_EQ(polar->bounds()[0].north, 90);
    EXPECT_TRUE(polar->contains(89.8, 179));
}

struct Refusal
{
    std::string geometry;
    const char* reason; // a part of the reason given
};

std::string manyPositions(int count)
{
    std::string text = R"({"type":"Polygon","coordinates":[[[0,0])";
    for (int i = 1; i < count - 1; ++i)
        text += ",[" + std::to_string(i % 2) + "," + std::to_string(i * 1e-6) + "]";
    return text + ",[0,0]]]}";
}

TEST(ZoneShapeReaderTest, RefusesWhatIsNoZoneWithItsReason)
{
    const Refusal refusals[] = {
        {"", "not JSON"},
        {"not json", "not JSON"},
        {"[1,2]", "expected a Polygon"},
        {R"({"type":"LineString","coordinates":[[0,0],[1,1]]})", "expected a Polygon"},
        {R"({"type":"MultiPolygon","coordinates":[]})", "expected a Polygon"},
        {R"({"type":"FeatureCollection","features":[]})", "expected a Polygon"},
        {R"({"type":"Feature","geometry":null,"properties":{}})", "expected a Polygon"},
        {R"({"type":"Polygon"})", "no \"coordinates\""},
        {R"({"type":"Polygon","coordinates":[]})", "no ring"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[0,0]]]})", "fewer than four"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,1]]]})", "not closed"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[1,0],[1,91],[0,0]]]})", "latitude"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[400,0],[1,1],[0,0]]]})", "longitude"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[1e400,0],[1,1],[0,0]]]})", "out of range"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[NaN,0],[1,1],[0,0]]]})", "not JSON"},
        {R"({"type":"Polygon","coordinates":[[[0,0],[1],[1,1],[0,0]]]})", "position"},
        {R"({"type":"Polygon","coordinates":[[[0,0],["1",0],[1,1],[0,0]]]})", "position"},
        {R"({"type":"Polygon","coordinates":[[[0,80],[120,80],[-120,80],[0,80]]]})", "pole"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{}})",
         "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]}})", "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":0}})",
         "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":-5}})",
         "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":"100"}})",
         "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":1e300}})",
         "radius"},
        {R"({"type":"Feature","geometry":{"type":"Point"},"properties":{"radius":5}})",
         "coordinates"},
        {manyPositions(ZoneShapeReader::maxVertices + 1), "more than"},
        {std::string(ZoneShapeReader::maxTextBytes + 1, ' '), "longer than"},
        {std::string(100000, '[') + std::string(100000, ']'), "nested too deeply"},
    };
    for (const Refusal& refusal : refusals) {
        std::string reason;
        EXPECT_FALSE(ZoneShapeReader::read(refusal.geometry, reason))
            << refusal.geometry.substr(0, 120);
        EXPECT_NE(reason.find(refusal.reason), std::string::npos)
            << refusal.geometry.substr(0, 120) << " gave: " << reason;
    }
}

TEST(ZoneShapeReaderTest, TakesTheLargestZoneAllowed)
{
    std::string reason;
    const auto shape = ZoneShapeReader::read(manyPositions(ZoneShapeReader::maxVertices), reason);
    ASSERT_TRUE(shape) << reason;
    EXPECT_EQ(shape->vertexCount(), ZoneShapeReader::maxVertices);
}

} // namespace
} // namespace corvane
