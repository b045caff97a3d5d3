#include "data/TrackThinner.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

void keepDistinct(const std::vector<TrackPoint>& points, double cell,
                  std::vector<std::size_t>& kept)
{
    kept.clear();
    kept.push_back(0);
    const std::size_t last = points.size() - 1;
    for (std::size_t i = 1; i < last; ++i) {
        const TrackPoint& from = points[kept.back()];
        if (std::fabs(points[i].latitude - from.latitude) > cell ||
            std::fabs(points[i].longitude - from.longitude) > cell)
            kept.push_back(i);
    }
    if (last > 0)
        kept.push_back(last);
}

} // namespace

std::vector<std::size_t> TrackThinner::thin(const std::vector<TrackPoint>& points, int pixels,
                                            std::size_t maxPoints)
{
    std::vector<std::size_t> kept;
    if (points.empty())
        return kept;
    double south = points[0].latitude, north = south;
    double west = points[0].longitude, east = west;
    for (const TrackPoint& p : points) {
        south = std::min(south, p.latitude);
        north = std::max(north, p.latitude);
        west = std::min(west, p.longitude);
        east = std::max(east, p.longitude);
    }
    const double extent = std::max(north - south, east - west);
    double cell = extent / std::max(pixels, 1);
    maxPoints = std::max<std::size_t>(maxPoints, 2);
    keepDistinct(points, cell, kept);
    // A standing vehicle has no extent: its samples all share one cell.
    while (kept.size() > maxPoints && cell > 0) {
        cell *= 2;
        keepDistinct(points, cell, kept);
    }
    return kept;
}

} // namespace corvane
