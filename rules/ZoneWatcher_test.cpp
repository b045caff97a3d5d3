#include "rules/ZoneShapeReader.h"
#include "rules/ZoneWatcher.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

WatchedZone zone(std::int64_t id, const std::string& name, const std::string& geometry,
                 double limit = 0)
{
    std::string reason;
    auto shape = ZoneShapeReader::read(geometry, reason);
    EXPECT_TRUE(shape) << reason;
    return {id, name, shape ? *shape : ZoneShape::circle(0, 0, 1), limit};
}

std::string box(double west, double south, double east, double north)
{
    const auto p = [](double lon, double lat) {
        return "[" + std::to_string(lon) + "," + std::to_string(lat) + "]";
    };
    return R"({"type":"Polygon","coordinates":[[)" + p(west, south) + "," + p(east, south) + "," +
           p(east, north) + "," + p(west, north) + "," + p(west, south) + "]]}";
}

const UniqueID car("6f1c2e94-2b7e-4a53-9a77-0c1d2e3f4a5b");
const UniqueID van("0b8f6a3e-1111-4c2d-8e9f-a0b1c2d3e4f5");

double knots(double kmh)
{
    return kmh / ZoneWatcher::kmhPerKnot;
}

struct Step
{
    double latitude;
    double longitude;
    std::vector<std::pair<int, std::string>> expected; // type, title
    double kmh = 0;
    int second = -1;
};

constexpr int enter = ZoneWatcher::enterType;
constexpr int exit_ = ZoneWatcher::exitType;
constexpr int overspeed = ZoneWatcher::overspeedType;

void run(ZoneWatcher& watcher, const std::vector<Step>& steps, const char* what,
         const UniqueID& vehicle = car)
{
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        std::vector<ZoneEvent> events;
        watcher.check({vehicle, step.latitude, step.longitude, knots(step.kmh), step.second},
                      events);
        std::vector<std::pair<int, std::string>> got;
        for (const ZoneEvent& event : events)
            got.emplace_back(event.type, event.title);
        EXPECT_EQ(got, step.expected) << what << ", step " << i;
    }
}

struct Track
{
    const char* what;
    std::vector<WatchedZone> zones;
    std::vector<Step> steps;
};

TEST(ZoneWatcherTest, TracksAcrossEdgesCornersHolesCirclesAndTheAntimeridian)
{
    const std::string holed =
        R"({"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[0,10],[0,0]],)"
        R"([[4,4],[6,4],[6,6],[4,6],[4,4]]]})";
    const std::string dateLine =
        R"({"type":"Polygon","coordinates":[[[170,-10],[-170,-10],[-170,10],[170,10],[170,-10]]]})";
    const std::string circle =
        R"({"type":"Feature","geometry":{"type":"Point","coordinates":[4,52]},"properties":{"radius":1000}})";
    const Track tracks[] = {
        {"through an edge",
         {zone(1, "Depot", box(10, 45, 11, 46))},
         {{45.5, 9.9, {}},
          {45.5, 10.0, {{enter, "Depot"}}},
          {45.5, 10.5, {}},
          {45.5, 11.0, {}},
          {45.5, 11.1, {{exit_, "Depot"}}},
          {45.5, 11.2, {}}}},
        {"through a corner, diagonally",
         {zone(1, "Depot", box(10, 45, 11, 46))},
         {{44.9, 9.9, {}}, {45.0, 10.0, {{enter, "Depot"}}}, {44.9, 10.1, {{exit_, "Depot"}}}}},
        {"along an edge's line from outside",
         {zone(1, "Depot", box(10, 45, 11, 46))},
         {{45.0, 9.0, {}}, {45.0, 9.99, {}}, {45.0, 12.0, {}}}},
        {"into a hole and out",
         {zone(7, "Yard", holed)},
         {{2, 2, {{enter, "Yard"}}},
          {4, 5, {}}, // the hole's edge belongs to the zone
          {5, 5, {{exit_, "Yard"}}},
          {6, 5, {{enter, "Yard"}}},
          {8, 8, {}}}},
        {"across the antimeridian",
         {zone(3, "Line", dateLine)},
         {{0, 165, {}},
          {0, 175, {{enter, "Line"}}},
          {0, 180, {}},
          {0, -180, {}},
          {0, -175, {}},
          {0, -165, {{exit_, "Line"}}}}},
        {"a circle",
         {zone(4, "Gate", circle)},
         {{52.02, 4, {}},
          {52.005, 4, {{enter, "Gate"}}},
          {52.0, 4, {}},
          {51.99, 4, {{exit_, "Gate"}}}}},
        {"two zones overlapping: exits come first",
         {zone(2, "West", box(0, 0, 2, 2)), zone(5, "East", box(1, 0, 3, 2))},
         {{1, 0.5, {{enter, "West"}}},
          {1, 1.5, {{enter, "East"}}},
          {1, 2.5, {{exit_, "West"}}},
          {1, 0.5, {{exit_, "East"}, {enter, "West"}}}}},
    };
    for (const Track& track : tracks) {
        ZoneWatcher watcher;
        watcher.replaceZones(track.zones);
        run(watcher, track.steps, track.what);
    }
}

TEST(ZoneWatcherTest, VehiclesAreJudgedApart)
{
    ZoneWatcher watcher;
    watcher.replaceZones({zone(1, "Depot", box(10, 45, 11, 46))});
    run(watcher, {{45.5, 10.5, {{enter, "Depot"}}}}, "car", car);
    run(watcher, {{45.5, 9.5, {}}, {45.5, 10.5, {{enter, "Depot"}}}}, "van", van);
    run(watcher, {{45.5, 10.6, {}}}, "car again", car);
}

TEST(ZoneWatcherTest, OverspeedNeedsMoreThanTenSecondsAndComesBackOnlyAfterADip)
{
    ZoneWatcher watcher;
    watcher.replaceZones({zone(1, "Depot", box(10, 45, 11, 46), 50)});
    const std::string title = "Depot 72 km/h > 50 km/h";
    std::vector<Step> steps = {{45.5, 10.5, {{enter, "Depot"}}, 30, 100}};
    for (int s = 0; s <= 10; ++s) // 72 km/h from 101 to 111: 10 s above, no alarm yet
        steps.push_back({45.5, 10.5, {}, 72, 101 + s});
    steps.push_back({45.5, 10.5, {{overspeed, title}}, 72, 112}); // 11 s above
    steps.push_back({45.5, 10.5, {}, 90, 130});                   // still the same run
    steps.push_back({45.5, 10.5, {}, 50, 131});                   // at the limit: the dip
    steps.push_back({45.5, 10.5, {}, 72, 132});
    steps.push_back({45.5, 10.5, {}, 72, 142});   // 10 s
    steps.push_back({45.5, 10.5, {}, 50.4, 143}); // shown as 50: not above, a dip
    steps.push_back({45.5, 10.5, {}, 72, 144});
    steps.push_back({45.5, 10.5, {}, 72, 154});
    steps.push_back({45.5, 10.5, {{overspeed, title}}, 72, 155});
    run(watcher, steps, "overspeed with a dip");
}

TEST(ZoneWatcherTest, TheStrictestLimitCountsAndTheGeneralOneOutsideZonesWithLimits)
{
    ZoneWatcher watcher;
    watcher.setGeneralLimit(100);
    watcher.replaceZones({zone(1, "Town", box(0, 0, 10, 10), 50),
                          zone(2, "School", box(4, 4, 5, 5), 30),
                          zone(3, "Park", box(20, 0, 21, 1))});
    run(watcher,
        {{0.5, 30, {}, 120, 0},
         {0.5, 30, {{overspeed, "120 km/h > 100 km/h"}}, 120, 11},
         {0.5, 20.5, {{enter, "Park"}}, 80, 20}, // a zone without a limit: 100 still counts
         {0.5, 20.5, {}, 110, 21},
         {0.5, 20.5, {{overspeed, "110 km/h > 100 km/h"}}, 110, 40},
         {4.5, 4.5, {{exit_, "Park"}, {enter, "Town"}, {enter, "School"}}, 20, 41},
         {4.5, 4.5, {}, 40, 42},
         {4.5, 4.5, {{overspeed, "School 40 km/h > 30 km/h"}}, 40, 60}},
        "limits");
}

TEST(ZoneWatcherTest, FixTimesWrapAtMidnightAndOlderReportsChangeNothing)
{
    ZoneWatcher watcher;
    watcher.setGeneralLimit(50);
    watcher.replaceZones({zone(1, "Depot", box(10, 45, 11, 46))});
    run(watcher,
        {{0, 0, {}, 60, 86395},
         {0, 0, {}, 60, 86399},
         {0, 0, {{overspeed, "60 km/h > 50 km/h"}}, 60, 6}, // 11 s through midnight
         // Overtaken on its way: older than the last, inside the zone, under the limit.
         {45.5, 10.5, {}, 10, 3},
         {0, 0, {}, 60, 7}, // the run was not broken by it
         {45.5, 10.5, {{enter, "Depot"}}, 10, 8}},
        "midnight");
    ZoneWatcher untimed;
    untimed.setGeneralLimit(50);
    run(untimed, {{0, 0, {}, 60, -1}, {0, 0, {}, 60, -1}, {0, 0, {}, 60, 5}, {0, 0, {}, 60, 15}},
        "no fix time adds no time");
}

TEST(ZoneWatcherTest, PresenceSurvivesARestartAndZonesCanBeReplaced)
{
    ZoneWatcher watcher;
    watcher.replaceZones({zone(1, "Depot", box(10, 45, 11, 46)), zone(2, "Yard", box(0, 0, 1, 1))});
    watcher.restoreInside(car, 1);
    watcher.restoreInside(car, 99); // a zone that is gone
    run(watcher,
        {{45.5, 10.5, {}}, {45.5, 12, {{exit_, "Depot"}}}, {45.5, 10.5, {{enter, "Depot"}}}},
        "restored");

    // The depot shrinks under the car: it is out from the next report on.
    watcher.replaceZones(
        {zone(1, "Depot", box(10, 45, 10.2, 46)), zone(2, "Yard", box(0, 0, 1, 1))});
    run(watcher, {{45.5, 10.5, {{exit_, "Depot"}}}}, "shrunk");
    run(watcher, {{0.5, 0.5, {{enter, "Yard"}}}}, "into the yard");
    // The yard is deleted: no exit for it, and when it comes back the car enters again.
    watcher.replaceZones({zone(1, "Depot", box(10, 45, 10.2, 46))});
    run(watcher, {{0.5, 0.5, {}}}, "yard gone");
    watcher.replaceZones(
        {zone(1, "Depot", box(10, 45, 10.2, 46)), zone(2, "Yard", box(0, 0, 1, 1))});
    run(watcher, {{0.5, 0.5, {{enter, "Yard"}}}}, "yard back");
}

TEST(ZoneWatcherTest, OverspeedTitleKeepsItsFiguresWhole)
{
    struct Case
    {
        std::string name;
        long speed;
        double limit;
        std::string title;
    };
    const Case cases[] = {
        {"Depot", 72, 50, "Depot 72 km/h > 50 km/h"},
        {"", 72, 50, "72 km/h > 50 km/h"},
        {"Depot", 51, 50.5, "Depot 51 km/h > 50.5 km/h"},
        // Cut to fit 32 bytes, without a blank left at the cut.
        {"A very long zone name indeed", 130, 120, "A very long 130 km/h > 120 km/h"},
        {"Zone de la gare de l'est", 72, 50, "Zone de la gar 72 km/h > 50 km/h"},
        // "\xc3\xa9" is one character: cut before it, not through it.
        {"Zone de la ga\xc3\xa9st", 72, 50, "Zone de la ga 72 km/h > 50 km/h"},
        {"Zone de la g\xc3\xa9", 72, 50, "Zone de la g\xc3\xa9 72 km/h > 50 km/h"},
    };
    for (const Case& c : cases) {
        const std::string title =
            ZoneWatcher::overspeedTitle(c.name, c.speed, c.limit, ZoneWatcher::maxTitle);
        EXPECT_EQ(title, c.title);
        EXPECT_LE(title.size(), ZoneWatcher::maxTitle);
    }
}

} // namespace
} // namespace corvane
