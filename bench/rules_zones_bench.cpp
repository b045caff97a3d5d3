// What checking positions against the zones costs the station's main thread:
// 1,000 zones (polygons of 8 to 40 corners and circles, a few wide districts),
// 10,100 positions a second from 2,000 vehicles driving among them. Prints the
// CPU time per position and the share of one core at that rate, with the
// index and (for comparison) testing every zone's shape, for zones spread over
// a region and for all of them packed into one town.
//
//   rules_zones_bench [positions]   (default 1,000,000)

#include "base/UniqueID.h"
#include "bench/BenchFigures.h"
#include "rules/ZoneShape.h"
#include "rules/ZoneShapeReader.h"
#include "rules/ZoneWatcher.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int zoneCount = 1000;
constexpr int vehicleCount = 2000;
constexpr double positionsPerSecond = 10100;

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The GeoJSON text of a star-shaped polygon or a circle, as the table holds it.
std::string zoneText(std::mt19937& random, double lat, double lon, double radiusDeg)
{
    std::uniform_int_distribution<int> corners(8, 40);
    std::uniform_real_distribution<double> wobble(0.6, 1.0);
    if (random() % 3 == 0) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":"
                      "[%.6f,%.6f]},\"properties\":{\"radius\":%.1f}}",
                      lon, lat, radiusDeg * 111000);
        return text;
    }
    const int n = corners(random);
    std::string text = "{\"type\":\"Polygon\",\"coordinates\":[[";
    std::string first;
    for (int i = 0; i < n; ++i) {
        const double angle = 2 * M_PI * i / n;
        const double r = radiusDeg * wobble(random);
        char point[64];
        std::snprintf(point, sizeof point, "[%.6f,%.6f]", lon + r * std::cos(angle),
                      lat + r * std::sin(angle));
        if (i == 0)
            first = point;
        text += point;
        text += ",";
    }
    return text + first + "]]}";
}

struct Scenario
{
    const char* name;
    double spanDeg; // zones' centres lie within this square
    double minRadiusDeg, maxRadiusDeg;
};

void runScenario(const Scenario& scenario, long positions)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-scenario.spanDeg / 2, scenario.spanDeg / 2);
    std::uniform_real_distribution<double> radius(scenario.minRadiusDeg, scenario.maxRadiusDeg);
    const double baseLat = 48.1, baseLon = 11.5;

    std::vector<WatchedZone> zones;
    const double readStart = cpuSeconds();
    for (int i = 0; i < zoneCount; ++i) {
        // A few wide districts among the depots.
        const double r = i % 100 == 0 ? scenario.spanDeg / 4 : radius(random);
        const std::string text =
            zoneText(random, baseLat + offset(random), baseLon + offset(random), r);
        std::string reason;
        auto shape = ZoneShapeReader::read(text, reason);
        if (!shape) {
            std::fprintf(stderr, "zone refused: %s\n", reason.c_str());
            std::exit(1);
        }
        zones.push_back({i + 1, "Zone " + std::to_string(i + 1), *shape, i % 2 == 0 ? 50.0 : 0.0});
    }
    const double readSeconds = cpuSeconds() - readStart;

    ZoneWatcher watcher;
    watcher.setGeneralLimit(100);
    const double indexStart = cpuSeconds();
    watcher.replaceZones(zones);
    const double indexSeconds = cpuSeconds() - indexStart;

    // Vehicles drive straight at 36 to 108 km/h, one report a second each,
    // turning back at the region's edge.
    struct Car
    {
        UniqueID id;
        double lat, lon, dLat, dLon, knots;
    };
    std::vector<Car> cars(vehicleCount);
    std::uniform_real_distribution<double> heading(0, 2 * M_PI);
    std::uniform_real_distribution<double> speed(36, 108);
    for (Car& car : cars) {
        const double h = heading(random);
        const double kmh = speed(random);
        car = {UniqueID(),
               baseLat + offset(random),
               baseLon + offset(random),
               std::sin(h) * kmh / 3600 / 111,
               std::cos(h) * kmh / 3600 / 111,
               kmh / 1.852};
    }
    std::vector<ZoneEvent> events;
    long raised = 0;
    const double checkStart = cpuSeconds();
    for (long i = 0; i < positions; ++i) {
        Car& car = cars[static_cast<std::size_t>(i % vehicleCount)];
        car.lat += car.dLat;
        car.lon += car.dLon;
        if (std::abs(car.lat - baseLat) > scenario.spanDeg / 2)
            car.dLat = -car.dLat;
        if (std::abs(car.lon - baseLon) > scenario.spanDeg / 2)
            car.dLon = -car.dLon;
        events.clear();
        watcher.check(
            {car.id, car.lat, car.lon, car.knots, static_cast<int>((i / vehicleCount) % 86400)},
            events);
        raised += static_cast<long>(events.size());
    }
    const double checkSeconds = cpuSeconds() - checkStart;

    // The same positions against every zone's shape, without the index.
    const long bruteCount = positions / 20;
    long bruteInside = 0;
    const double bruteStart = cpuSeconds();
    for (long i = 0; i < bruteCount; ++i) {
        const Car& car = cars[static_cast<std::size_t>(i % vehicleCount)];
        const double lat = car.lat + car.dLat * static_cast<double>(i % 97);
        for (const WatchedZone& zone : zones)
            bruteInside += zone.shape.contains(lat, car.lon) ? 1 : 0;
    }
    const double bruteSeconds = cpuSeconds() - bruteStart;

    const double perPosition = checkSeconds / static_cast<double>(positions);
    const double brutePerPosition = bruteSeconds / static_cast<double>(bruteCount);
    std::printf("%s: %d zones within %.2f degrees, %d vehicles\n", scenario.name, zoneCount,
                scenario.spanDeg, vehicleCount);
    std::printf("  read 1,000 zones from their text: %.1f ms CPU; index built: %.2f ms CPU\n",
                readSeconds * 1e3, indexSeconds * 1e3);
    std::printf("  %ld positions checked, %ld events: %.3f us CPU per position\n", positions,
                raised, perPosition * 1e6);
    std::printf("  at %.0f positions/s: %.2f%% of one core (with the index)\n", positionsPerSecond,
                perPosition * positionsPerSecond * 100);
    std::printf("  every zone's shape per position (no index): %.2f us, %.1f%% of one core "
                "(%ld inside)\n",
                brutePerPosition * 1e6, brutePerPosition * positionsPerSecond * 100, bruteInside);
    std::printf("  resident memory: %ld KiB\n", bench::residentKiB());
}

} // namespace

int main(int argc, char** argv)
{
    const long positions = argc > 1 ? std::atol(argv[1]) : 1000000;
    // Depots of 100 m to 1 km over a region 100 km across, and then all of
    // them packed into one town 5 km across (the grid's worst case: many
    // zones per cell).
    runScenario({"region", 1.0, 0.001, 0.01}, positions);
    runScenario({"one town", 0.05, 0.0005, 0.003}, positions);
    return 0;
}
