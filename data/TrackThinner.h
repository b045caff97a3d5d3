#pragma once

#include "data/TrackPoint.h"

#include <cstddef>
#include <vector>

namespace corvane {

// Picks the points of a long track that are worth drawing: a line across a
// screen cannot show more detail than its pixels, so a point that stays
// within one cell of the point kept before it adds nothing. The cell is the
// track's larger extent divided by the pixel count; when the result would
// still exceed maxPoints (a track that crosses itself all day) the cell
// doubles until it fits. The first and the last point are always kept, and
// the order is kept. Every point stays in the caller's vector; only
// indexes are returned, so replay and export keep the whole track.
//
// Plain functions; any thread; throws only std::bad_alloc.
class TrackThinner
{
public:
    static std::vector<std::size_t> thin(const std::vector<TrackPoint>& points, int pixels,
                                         std::size_t maxPoints);
};

} // namespace corvane
