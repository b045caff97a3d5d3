#pragma once

#include "data/TrackPoint.h"

#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

class Database;

// What TrackSampler::load read of a range.
struct TrackSample
{
    // Samples stored in the range, with or without a position.
    std::size_t rows = 0;
    // 1 when every sample was read; otherwise every stride-th sample of the
    // range (in time order) was read, with the first and the last position.
    std::size_t stride = 1;
};

// Reads a long stored track quickly enough to answer the screen at once.
//
// One vehicle's samples lie scattered among the whole fleet's in gps_data,
// so reading a sample costs a table page; a million of them take seconds.
// The index on gps_data(vehicle_id, update_time) holds each row's id,
// though, so the range can be counted and walked in time order from the
// index alone. A range of at most maxRows samples is read whole, exactly as
// TrackQuery::load reads it. A longer one is read at a stride: the samples
// at 0, k, 2k, ... of the range in time order, k the smallest stride that
// keeps the result within maxRows; those without a position are skipped,
// and the range's first and last samples with a position are always kept,
// so the line starts and ends where the whole track does. Only those rows
// are read from the table. The caller reads the whole range afterwards
// when every point is needed (replay, export).
//
// Ownership: borrows the connection for the call. Threads: whichever thread
// owns the connection. Throws: DatabaseException from a failing or
// interrupted query, std::bad_alloc.
class TrackSampler
{
public:
    // Appends the points read to points, oldest first.
    static TrackSample load(Database& database, const std::string& vehicleId,
                            const std::string& from, const std::string& to, std::size_t maxRows,
                            std::vector<TrackPoint>& points);

    // The stride for rows samples: 1 up to maxRows, else the smallest k
    // with which the samples at 0, k, 2k, ... and the last stay within
    // maxRows (maxRows at least 2).
    static std::size_t strideFor(std::size_t rows, std::size_t maxRows) noexcept;
};

} // namespace corvane
