#include "tools/SimulatedVehicle.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace corvane {

namespace {

constexpr double earthRadiusMetres = 6371000.0;
constexpr double radiansPerDegree = std::numbers::pi / 180.0;

GeoPoint offsetMetres(GeoPoint from, double northMetres, double eastMetres)
{
    double dLat = northMetres / earthRadiusMetres / radiansPerDegree;
    double dLon = eastMetres / (earthRadiusMetres * std::cos(from.latitude * radiansPerDegree)) /
                  radiansPerDegree;
    return {from.latitude + dLat, from.longitude + dLon};
}

} // namespace

SimulatedVehicle::SimulatedVehicle(std::vector<GeoPoint> route, unsigned seed)
    : m_route(std::move(route)), m_random(seed)
{
    if (m_route.size() < 2)
        throw std::invalid_argument("a route needs at least two points");
    double total = 0.0;
    for (size_t i = 0; i < m_route.size(); ++i)
        total += legLengthMetres(m_route[i], m_route[(i + 1) % m_route.size()]);
    if (!(total > 0.0))
        throw std::invalid_argument("a route needs some length");
    std::uniform_real_distribution<double> cruise(8.0, 22.0); // about 30 to 80 km/h
    m_cruiseMetresPerSecond = cruise(m_random);
}

double SimulatedVehicle::legLengthMetres(GeoPoint from, GeoPoint to)
{
    // Equirectangular distance: exact enough over a few hundred metres.
    double meanLat = (from.latitude + to.latitude) / 2.0 * radiansPerDegree;
    double x = (to.longitude - from.longitude) * radiansPerDegree * std::cos(meanLat);
    double y = (to.latitude - from.latitude) * radiansPerDegree;
    return std::sqrt(x * x + y * y) * earthRadiusMetres;
}

std::vector<GeoPoint> SimulatedVehicle::cityRoute(GeoPoint centre, std::mt19937& random)
{
    std::uniform_int_distribution<int> legs(3, 7);
    std::uniform_real_distribution<double> block(200.0, 600.0);
    std::uniform_int_distribution<int> turn(0, 1);
    // Out along a staircase of blocks, then back along another one: a closed loop.
    std::vector<GeoPoint> route{offsetMetres(centre, block(random) - 400.0, block(random) - 400.0)};
    int north = turn(random) ? 1 : -1;
    int east = turn(random) ? 1 : -1;
    int count = legs(random);
    for (int i = 0; i < count; ++i) {
        GeoPoint last = route.back();
        route.push_back(i % 2 ? offsetMetres(last, north * block(random), 0.0)
                              : offsetMetres(last, 0.0, east * block(random)));
    }
    // The way back keeps to the grid: first the other axis, then straight home.
    GeoPoint last = route.back();
    route.push_back({route.front().latitude, last.longitude});
    return route;
}

void SimulatedVehicle::advance(double seconds)
{
    std::normal_distribution<double> drift(0.0, 0.6);
    while (seconds > 0.0) {
        double step = std::min(seconds, 1.0);
        seconds -= step;
        const GeoPoint& from = m_route[m_leg];
        const GeoPoint& to = m_route[(m_leg + 1) % m_route.size()];
        double leg = legLengthMetres(from, to);
        double remaining = leg - m_alongLeg;
        // Brake towards 4 m/s within 40 m of a corner, else drift round the cruise speed.
        double target = remaining < 40.0 ? 4.0 : m_cruiseMetresPerSecond + drift(m_random);
        m_speedMetresPerSecond +=
            std::clamp(target - m_speedMetresPerSecond, -3.0 * step, 2.0 * step);
        m_speedMetresPerSecond = std::clamp(m_speedMetresPerSecond, 0.0, 30.0);
        double travelled = m_speedMetresPerSecond * step;
        m_odometer += travelled;
        m_alongLeg += travelled;
        while (true) {
            double length = legLengthMetres(m_route[m_leg], m_route[(m_leg + 1) % m_route.size()]);
            if (m_alongLeg < length)
                break;
            m_alongLeg -= length;
            m_leg = (m_leg + 1) % m_route.size();
        }
    }
}

GeoPoint SimulatedVehicle::position() const
{
    const GeoPoint& from = m_route[m_leg];
    const GeoPoint& to = m_route[(m_leg + 1) % m_route.size()];
    double leg = legLengthMetres(from, to);
    double t = leg > 0.0 ? m_alongLeg / leg : 0.0;
    return {from.latitude + (to.latitude - from.latitude) * t,
            from.longitude + (to.longitude - from.longitude) * t};
}

double SimulatedVehicle::courseDegrees() const
{
    const GeoPoint& from = m_route[m_leg];
    const GeoPoint& to = m_route[(m_leg + 1) % m_route.size()];
    double meanLat = (from.latitude + to.latitude) / 2.0 * radiansPerDegree;
    double east = (to.longitude - from.longitude) * std::cos(meanLat);
    double north = to.latitude - from.latitude;
    double course = std::atan2(east, north) / radiansPerDegree;
    return course < 0.0 ? course + 360.0 : course;
}

} // namespace corvane
