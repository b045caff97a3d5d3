#include "rules/ZoneIndex.h"

#include <cmath>

namespace corvane {

namespace {

constexpr auto rows = static_cast<std::int64_t>(180.0 / ZoneIndex::cellDegrees + 0.5);
constexpr auto columns = static_cast<std::int64_t>(360.0 / ZoneIndex::cellDegrees + 0.5);

bool holds(const GeoBox& box, double latitude, double longitude) noexcept
{
    return latitude >= box.south && latitude <= box.north && longitude >= box.west &&
           longitude <= box.east;
}

} // namespace

std::int64_t ZoneIndex::cellKey(std::int64_t row, std::int64_t column) noexcept
{
    return row * columns + column;
}

std::int64_t ZoneIndex::row(double latitude) noexcept
{
    const auto r = static_cast<std::int64_t>(std::floor((latitude + 90.0) / cellDegrees));
    return r < 0 ? 0 : (r >= rows ? rows - 1 : r);
}

std::int64_t ZoneIndex::column(double longitude) noexcept
{
    const auto c = static_cast<std::int64_t>(std::floor((longitude + 180.0) / cellDegrees));
    return c < 0 ? 0 : (c >= columns ? columns - 1 : c);
}

void ZoneIndex::build(const std::vector<std::vector<GeoBox>>& bounds)
{
    m_bounds = bounds;
    m_cells.clear();
    m_wide.clear();
    for (std::size_t zone = 0; zone < bounds.size(); ++zone) {
        const auto id = static_cast<std::uint32_t>(zone);
        std::size_t cells = 0;
        for (const GeoBox& box : bounds[zone])
            cells += static_cast<std::size_t>((row(box.north) - row(box.south) + 1) *
                                              (column(box.east) - column(box.west) + 1));
        if (cells > maxCellsPerZone) {
            m_wide.push_back(id);
            continue;
        }
        for (const GeoBox& box : bounds[zone])
            for (std::int64_t r = row(box.south); r <= row(box.north); ++r)
                for (std::int64_t c = column(box.west); c <= column(box.east); ++c) {
                    std::vector<std::uint32_t>& cell = m_cells[cellKey(r, c)];
                    // The two boxes of a zone across the antimeridian may share
                    // a cell only at its edge; one entry is enough.
                    if (cell.empty() || cell.back() != id)
                        cell.push_back(id);
                }
    }
}

void ZoneIndex::candidates(double latitude, double longitude, std::vector<std::uint32_t>& out) const
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude))
        return;
    double lon = std::fmod(longitude + 180.0, 360.0);
    if (lon < 0)
        lon += 360.0;
    lon -= 180.0;
    const auto inBox = [&](std::uint32_t zone) {
        for (const GeoBox& box : m_bounds[zone])
            if (holds(box, latitude, lon) || (lon == -180.0 && holds(box, latitude, 180.0)))
                return true;
        return false;
    };
    // A box and a position on its edge, given with the same digits, fall in
    // the same cell: row() and column() are one monotonic function of both.
    const std::size_t first = out.size();
    const auto add = [&](std::int64_t cell) {
        const auto found = m_cells.find(cell);
        if (found == m_cells.end())
            return;
        for (const std::uint32_t zone : found->second) {
            bool seen = false;
            for (std::size_t i = first; i < out.size() && !seen; ++i)
                seen = out[i] == zone;
            if (!seen && inBox(zone))
                out.push_back(zone);
        }
    };
    add(cellKey(row(latitude), column(lon)));
    // -180 and 180 are one meridian, listed at both ends of the grid.
    if (lon == -180.0)
        add(cellKey(row(latitude), column(180.0)));
    for (const std::uint32_t zone : m_wide)
        if (inBox(zone))
            out.push_back(zone);
}

} // namespace corvane
