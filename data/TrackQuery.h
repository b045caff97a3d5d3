#pragma once

#include "data/TrackPoint.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class Database;

// Reads one vehicle's stored track out of gps_data. The queries find the
// samples in vehicle order (TrackIndex, made at open by DBManager), so a
// range costs what it returns and at most a scan of the samples not yet
// moved there, not what the table holds.
//
// Ownership: borrows the connection for the call. Threads: whichever thread
// owns the connection; the track history runs it on its own connection off
// the GUI thread. Throws: DatabaseException from a failing query,
// std::bad_alloc.
class TrackQuery
{
public:
    // The samples of vehicleId whose update_time lies between from and to,
    // both included ("YYYY-MM-DD HH:MM:SS"), oldest first (equal times in
    // the order they were stored), appended to points. Samples whose
    // sentence has no position, or whose time cannot be read, are skipped.
    // Returns how many were appended.
    static std::size_t load(Database& database, const std::string& vehicleId,
                            const std::string& from, const std::string& to,
                            std::vector<TrackPoint>& points);

    // The latest stored time of vehicleId into latest; false when it has none.
    static bool latestTime(Database& database, const std::string& vehicleId, std::string& latest);

    // A stored "$GPRMC" sentence as the live map read it (GPSReading),
    // without allocating; false when it gives no position.
    static bool readSentence(std::string_view sentence, TrackPoint& point) noexcept;
};

} // namespace corvane
