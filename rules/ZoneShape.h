#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

// A latitude/longitude rectangle, degrees: south <= north within [-90, 90],
// west <= east within [-180, 180]. A shape across the antimeridian has two.
struct GeoBox
{
    double south = 0;
    double west = 0;
    double north = 0;
    double east = 0;
};

// A position in degrees as GeoJSON orders it.
struct LonLat
{
    double longitude = 0;
    double latitude = 0;
};

// The area of one zone: a polygon with optional holes, or a circle.
//
// Polygon edges are straight lines on the map as the page draws it (the
// Web-Mercator plane), so a position is inside exactly where the operator
// sees it inside; latitudes are held to the map's +-85.0511 degrees. A ring
// may cross the antimeridian: each edge goes the short way round, so a
// longitude step of more than 180 degrees (179 to -179) is a crossing, and
// longitudes beyond 180 (179 to 181, as a map panned across the line gives
// them) mean the same. A circle is every position within its radius by
// great-circle distance. Positions on an edge, a corner or the circle count
// as inside, and so do those on the edge of a hole.
//
// Ownership: a plain value. Threads: const members from any thread.
// Throws: the factories std::bad_alloc only; contains and bounds never.
class ZoneShape
{
public:
    // Mean radius of the Earth, metres.
    static constexpr double earthRadiusMetres = 6371008.8;

    static ZoneShape circle(double latitude, double longitude, double radiusMetres);
    // rings[0] is the outer ring, the others holes; each closed (last ==
    // first) with at least four positions, longitudes within [-360, 360],
    // latitudes within [-90, 90], as ZoneShapeReader checks them. Each ring is
    // unwrapped here so that no edge is longer than 180 degrees of longitude.
    static ZoneShape polygon(const std::vector<std::vector<LonLat>>& rings);

    bool isCircle() const noexcept { return m_circle; }
    bool contains(double latitude, double longitude) const noexcept;
    // One box, or two for a shape that crosses the antimeridian; every
    // position inside lies in one of them.
    const std::vector<GeoBox>& bounds() const noexcept { return m_bounds; }
    std::size_t vertexCount() const noexcept;

    // Great-circle distance between two positions, metres.
    static double distanceMetres(double lat1, double lon1, double lat2, double lon2) noexcept;
    // The latitude of the Web-Mercator plane (radians of the map's y),
    // latitudes clamped to what the map shows.
    static double mercatorY(double latitude) noexcept;
    // longitude moved by whole turns to lie within 180 degrees of previous.
    static double unwrapAfter(double previous, double longitude) noexcept;

private:
    struct Point
    {
        double x; // longitude, radians, unwrapped
        double y; // mercatorY
    };
    using Ring = std::vector<Point>;

    bool polygonContains(double x, double y) const noexcept;
    static bool onEdge(const Ring& ring, double x, double y) noexcept;
    static bool crosses(const Ring& ring, double x, double y) noexcept;
    void boundsFrom(double south, double west, double north, double east);

    bool m_circle = false;
    double m_latitude = 0;
    double m_longitude = 0;
    double m_radius = 0;
    std::vector<Ring> m_rings;
    double m_minX = 0; // the outer ring's unwrapped longitudes, radians
    double m_maxX = 0;
    std::vector<GeoBox> m_bounds;
};

} // namespace corvane
