#pragma once

#include <random>
#include <vector>

namespace corvane {

struct GeoPoint
{
    double latitude = 0.0;  // degrees, south negative
    double longitude = 0.0; // degrees, west negative
};

// A vehicle driving round a closed route of straight legs at a speed that drifts
// between town and arterial-road values, slowing down at every corner. Plain value
// used by one thread; never throws except std::bad_alloc.
class SimulatedVehicle
{
public:
    // route: at least two points; the vehicle drives from the last back to the first.
    // seed makes the speed changes repeatable.
    SimulatedVehicle(std::vector<GeoPoint> route, unsigned seed);

    // A route of city blocks round a centre: a random walk on a street grid of
    // 200-600 m blocks that returns to its start.
    static std::vector<GeoPoint> cityRoute(GeoPoint centre, std::mt19937& random);

    // Drive on for the given number of seconds.
    void advance(double seconds);

    GeoPoint position() const;
    double speedKnots() const { return m_speedMetresPerSecond * 3600.0 / 1852.0; }
    // Direction of travel, degrees clockwise from true north, 0 <= course < 360.
    double courseDegrees() const;
    double distanceMetres() const { return m_odometer; }

    static double legLengthMetres(GeoPoint from, GeoPoint to);

private:
    std::vector<GeoPoint> m_route;
    std::mt19937 m_random;
    size_t m_leg = 0;        // driving from m_route[m_leg] to the next point
    double m_alongLeg = 0.0; // metres driven on the current leg
    double m_speedMetresPerSecond = 0.0;
    double m_cruiseMetresPerSecond = 12.0;
    double m_odometer = 0.0;
};

} // namespace corvane
