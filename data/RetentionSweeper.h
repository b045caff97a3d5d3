#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace corvane {

class Database;

// Deletes the GPS samples and events older than a number of days, a small
// chunk at a time, so that the writer can do it between its batches without
// keeping a batch waiting.
//
// Events go by the index on event_info(time); samples vehicle by vehicle by
// the index on gps_data(vehicle_id, update_time), so no chunk scans a table.
// The limit is SQLite's DATETIME('now', '-N days') (UTC), fixed when a
// round starts; rows whose time SQLite could not read (NULL) are kept.
//
// Ownership: borrows the Database. Threads: the caller holds the database
// mutex around each call and no transaction is open (each chunk is a
// transaction of its own). Throws: DatabaseException when a statement fails
// (the chunk is rolled back).
class RetentionSweeper
{
public:
    explicit RetentionSweeper(Database& database) noexcept : m_database(database) {}

    // Deletes rows older than keepDays days (nothing when keepDays is 0 or
    // less) in one transaction, in pieces of at most rows rows until budget
    // has passed (one piece with no budget), and returns how many it
    // deleted. A return below rows means the round is complete: nothing
    // older is left.
    int sweep(int keepDays, int rows,
              std::chrono::microseconds budget = std::chrono::microseconds(0));

    // The ids of the events the last sweep() deleted (valid once it
    // returned; a sweep that raised may list ids it did not delete).
    const std::vector<long long>& deletedEvents() const noexcept { return m_deletedEvents; }

private:
    int sweepPiece(int rows);
    int sweepEvents(int rows);
    int sweepSamples(int rows);
    // The next vehicle_id of gps_data after m_vehicle; false at the end.
    bool nextVehicle();

    Database& m_database;
    int m_keepDays = 0;
    std::string m_limit;   // the time limit of the current round
    std::string m_vehicle; // the vehicle whose samples are being deleted
    bool m_eventsDone = false;
    std::vector<long long> m_deletedEvents;
};

} // namespace corvane
