#pragma once

#include "rules/ZoneShape.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace corvane {

// Which zones a position may lie in, by their bounding boxes: a grid of
// cellDegrees squares (about 2 km), each listing the zones whose boxes touch
// it, so a position costs one lookup and the few boxes of its cell, however
// many zones there are. A zone whose boxes would fill more than
// maxCellsPerZone cells (wider than about 35 km: a district, a country, a
// circle over a pole) is kept on a short list that every lookup walks
// instead, so no zone costs the grid more than that many entries.
//
// A grid rather than a tree: zones are depots, customers and districts,
// mostly small and sparse, which a fixed grid serves in one step; it needs
// no library and is rebuilt from scratch in a few milliseconds when the
// zones change.
//
// Ownership: a plain value; zones are named by their position in the list
// given to build(). Threads: const members from any thread. Throws:
// std::bad_alloc from build().
class ZoneIndex
{
public:
    static constexpr double cellDegrees = 0.02;
    static constexpr std::size_t maxCellsPerZone = 256;

    // Replaces the index by one over these bounds, one entry per zone.
    void build(const std::vector<std::vector<GeoBox>>& bounds);

    // Appends to `out` the zones whose boxes hold the position; each once.
    void candidates(double latitude, double longitude, std::vector<std::uint32_t>& out) const;

private:
    static std::int64_t cellKey(std::int64_t row, std::int64_t column) noexcept;
    static std::int64_t row(double latitude) noexcept;
    static std::int64_t column(double longitude) noexcept;

    std::vector<std::vector<GeoBox>> m_bounds;
    std::unordered_map<std::int64_t, std::vector<std::uint32_t>> m_cells;
    std::vector<std::uint32_t> m_wide;
};

} // namespace corvane
