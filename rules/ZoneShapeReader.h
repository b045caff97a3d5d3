#pragma once

#include "rules/ZoneShape.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Reads the `geometry` text of a zone: GeoJSON of
//   a Polygon:  {"type":"Polygon","coordinates":[[[lon,lat],...],...]}
//               (the first ring the outline, any others holes),
//   a Feature holding one: {"type":"Feature","geometry":{...Polygon...},
//               "properties":{...}} (the properties are not read), or
//   a circle:   {"type":"Feature","geometry":{"type":"Point","coordinates":
//               [lon,lat]},"properties":{"radius":metres}}.
// Positions are [longitude, latitude] with an optional altitude (ignored);
// longitudes from -360 to 360 (a map panned across the antimeridian gives
// more than 180), latitudes from -90 to 90. A ring is closed (its last
// position repeats its first) with at least four positions, and may not wind
// around a pole. A radius is more than 0 and at most maxRadiusMetres.
//
// Anything else is refused with the reason, never half read: the zone is
// then left out. The text is bounded for a file anyone can write: at most
// maxTextBytes, maxVertices positions in all, the JSON reader's depth limit.
//
// Threads: any; no state. Throws: std::bad_alloc only.
class ZoneShapeReader
{
public:
    static constexpr std::size_t maxTextBytes = 4 * 1024 * 1024;
    static constexpr std::size_t maxVertices = 50000;
    static constexpr double maxRadiusMetres = 10000000.0;

    // The shape, or nothing with the reason in `reason`.
    static std::optional<ZoneShape> read(std::string_view geometry, std::string& reason);
};

} // namespace corvane
