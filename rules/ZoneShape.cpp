#include "rules/ZoneShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane {

namespace {

constexpr double radiansPerDegree = std::numbers::pi / 180.0;
// The map's latitude limit: the Web-Mercator plane is a square.
constexpr double mapLatitudeLimit = 85.0511287798;
// A position this close to an edge on the map's plane (radians, under a
// millimetre on the ground) is on it: a corner or an edge given with the
// same digits as the zone's vertices must not fall out by rounding.
constexpr double edgeTolerance = 1e-10;

double normalisedLongitude(double longitude) noexcept
{
    double lon = std::fmod(longitude + 180.0, 360.0);
    if (lon < 0)
        lon += 360.0;
    return lon - 180.0;
}

} // namespace

double ZoneShape::mercatorY(double latitude) noexcept
{
    const double lat = std::clamp(latitude, -mapLatitudeLimit, mapLatitudeLimit);
    return std::log(std::tan(std::numbers::pi / 4 + lat * radiansPerDegree / 2));
}

double ZoneShape::unwrapAfter(double previous, double longitude) noexcept
{
    double lon = longitude;
    while (lon - previous > 180.0)
        lon -= 360.0;
    while (previous - lon > 180.0)
        lon += 360.0;
    return lon;
}

double ZoneShape::distanceMetres(double lat1, double lon1, double lat2, double lon2) noexcept
{
    // Haversine: exact enough at every distance, and stable for short ones.
    const double p1 = lat1 * radiansPerDegree;
    const double p2 = lat2 * radiansPerDegree;
    const double dp = p2 - p1;
    const double dl = (lon2 - lon1) * radiansPerDegree;
    const double a = std::sin(dp / 2) * std::sin(dp / 2) +
                     std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * earthRadiusMetres * std::asin(std::min(1.0, std::sqrt(a)));
}

void ZoneShape::boundsFrom(double south, double west, double north, double east)
{
    m_bounds.clear();
    south = std::max(south, -90.0);
    north = std::min(north, 90.0);
    if (east - west >= 360.0) {
        m_bounds.push_back({south, -180.0, north, 180.0});
        return;
    }
    const double w = normalisedLongitude(west);
    const double e = w + (east - west);
    if (e <= 180.0) {
        m_bounds.push_back({south, w, north, e});
    } else {
        m_bounds.push_back({south, w, north, 180.0});
        m_bounds.push_back({south, -180.0, north, e - 360.0});
    }
}

ZoneShape ZoneShape::circle(double latitude, double longitude, double radiusMetres)
{
    ZoneShape shape;
    shape.m_circle = true;
    shape.m_latitude = latitude;
    shape.m_longitude = normalisedLongitude(longitude);
    shape.m_radius = radiusMetres;
    const double angle = radiusMetres / earthRadiusMetres; // radians of arc
    const double dLat = angle / radiansPerDegree;
    const double south = latitude - dLat;
    const double north = latitude + dLat;
    // Off the poles the circle's widest longitude span is where its edge
    // touches a meridian; a circle over a pole spans every longitude.
    const double ratio =
        std::sin(std::min(angle, std::numbers::pi / 2)) / std::cos(latitude * radiansPerDegree);
    if (north >= 90.0 || south <= -90.0 || angle >= std::numbers::pi / 2 || ratio >= 1.0)
        shape.boundsFrom(south, -180.0, north, 180.0);
    else {
        const double dLon = std::asin(ratio) / radiansPerDegree;
        shape.boundsFrom(south, shape.m_longitude - dLon, north, shape.m_longitude + dLon);
    }
    return shape;
}

ZoneShape ZoneShape::polygon(const std::vector<std::vector<LonLat>>& rings)
{
    ZoneShape shape;
    double south = 90, north = -90, west = 0, east = 0;
    double centre = 0;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        const std::vector<LonLat>& ring = rings[r];
        Ring points;
        points.reserve(ring.size());
        // Holes are brought next to the outer ring, whichever way round the
        // world their longitudes were written.
        double previous =
            r == 0 ? ring.front().longitude : unwrapAfter(centre, ring.front().longitude);
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const double lon = i == 0 ? previous : unwrapAfter(previous, ring[i].longitude);
            previous = lon;
            points.push_back({lon * radiansPerDegree, mercatorY(ring[i].latitude)});
            if (r == 0) {
                if (i == 0)
                    west = east = lon;
                west = std::min(west, lon);
                east = std::max(east, lon);
                south = std::min(south, ring[i].latitude);
                north = std::max(north, ring[i].latitude);
            }
        }
        if (r == 0)
            centre = (west + east) / 2;
        shape.m_rings.push_back(std::move(points));
    }
    shape.m_minX = west * radiansPerDegree;
    shape.m_maxX = east * radiansPerDegree;
    shape.boundsFrom(south, west, north, east);
    return shape;
}

std::size_t ZoneShape::vertexCount() const noexcept
{
    std::size_t count = 0;
    for (const Ring& ring : m_rings)
        count += ring.size();
    return count;
}

bool ZoneShape::onEdge(const Ring& ring, double x, double y) noexcept
{
    for (std::size_t i = 1; i < ring.size(); ++i) {
        const Point& a = ring[i - 1];
        const Point& b = ring[i];
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double length2 = dx * dx + dy * dy;
        double t = 0;
        if (length2 > 0)
            t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / length2, 0.0, 1.0);
        const double px = a.x + t * dx - x;
        const double py = a.y + t * dy - y;
        if (px * px + py * py <= edgeTolerance * edgeTolerance)
            return true;
    }
    return false;
}

bool ZoneShape::crosses(const Ring& ring, double x, double y) noexcept
{
    // Even-odd rule with half-open edges: a ray to the east crosses an edge
    // whose ends lie on either side of y, a vertex counted once.
    bool inside = false;
    for (std::size_t i = 1; i < ring.size(); ++i) {
        const Point& a = ring[i - 1];
        const Point& b = ring[i];
        if ((a.y > y) != (b.y > y)) {
            const double crossX = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x < crossX)
                inside = !inside;
        }
    }
    return inside;
}

bool ZoneShape::polygonContains(double x, double y) const noexcept
{
    const Ring& outer = m_rings.front();
    if (onEdge(outer, x, y))
        return true;
    if (!crosses(outer, x, y))
        return false;
    for (std::size_t r = 1; r < m_rings.size(); ++r) {
        if (onEdge(m_rings[r], x, y))
            return true;
        if (crosses(m_rings[r], x, y))
            return false;
    }
    return true;
}

bool ZoneShape::contains(double latitude, double longitude) const noexcept
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude))
        return false;
    if (m_circle)
        return distanceMetres(m_latitude, m_longitude, latitude, longitude) <= m_radius;
    if (m_rings.empty())
        return false;
    // Both boxes of a polygon across the antimeridian share its latitudes.
    const GeoBox& box = m_bounds.front();
    if (latitude < box.south || latitude > box.north)
        return false;
    const double y = mercatorY(latitude);
    // The same longitude a turn either way: the outer ring's unwrapped span
    // holds at most one of them, or two only on its very edge.
    const double lon = normalisedLongitude(longitude) * radiansPerDegree;
    const double turn = 2 * std::numbers::pi;
    for (const double x : {lon, lon + turn, lon - turn}) {
        if (x < m_minX - edgeTolerance || x > m_maxX + edgeTolerance)
            continue;
        if (polygonContains(x, y))
            return true;
    }
    return false;
}

} // namespace corvane
