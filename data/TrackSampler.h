#pragma once

#include "data/TrackPoint.h"

#include <atomic>
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
// TrackIndex holds each sample's id in vehicle and time order, though, so
// the range can be counted and walked in time order from there alone. A range of at most maxRows
// samples is read whole, exactly as TrackQuery::load reads it. A longer one is read at a stride:
// the samples at 0, k, 2k, ... of the range in time order, k the smallest stride that keeps the
// result within maxRows; those without a position are skipped, and the range's first and last
// samples with a position are always kept, so the line starts and ends where the whole track does.
// Only those rows are read from the table, by a few connections of the call's own side by side when
// the database is a file. The caller reads the whole range afterwards when every point is needed
// (replay, export).
//
// Ownership: borrows the connection for the call; opens and closes its own
// reading connections and threads within it. Threads: whichever thread owns
// the connection. Throws: DatabaseException from a failing or interrupted
// query (once stop is set, the call's own connections stop within a few
// hundred steps; the caller's connection stops as its owner arranges),
// std::system_error when no thread can be started, std::bad_alloc.
class TrackSampler
{
public:
    // Appends the points read to points, oldest first (on a throw, points
    // may hold part of them).
    static TrackSample load(Database& database, const std::string& vehicleId,
                            const std::string& from, const std::string& to, std::size_t maxRows,
                            std::vector<TrackPoint>& points,
                            const std::atomic<bool>* stop = nullptr);

    // The stride for rows samples: 1 up to maxRows, else the smallest k
    // with which the samples at 0, k, 2k, ... and the last stay within
    // maxRows (maxRows at least 2).
    static std::size_t strideFor(std::size_t rows, std::size_t maxRows) noexcept;
};

} // namespace corvane
