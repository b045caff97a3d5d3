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
// Rows go oldest first in stored order (by id): each table is walked from
// its first row up to the first row whose time is not older than the limit.
// The oldest rows lie together on a few pages, so a chunk dirties little and
// commits fast. A row whose time SQLite could not read (NULL) goes with the
// older rows around it; a row stored with a time far older than its
// neighbours waits until the walk reaches it. The limit is SQLite's
// DATETIME('now', '-N days') (UTC), fixed when a round starts.
//
// Ownership: borrows the Database. Threads: the caller holds the database
// mutex around each call and no transaction is open (each call is a
// transaction of its own). Throws: DatabaseException when a statement fails
// (the call's deletions are rolled back).
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
    // Deletes up to rows rows from the front of table; the number deleted.
    int sweepFront(const char* table, const char* timeColumn, int rows,
                   std::vector<long long>* deletedIds);

    Database& m_database;
    int m_keepDays = 0;
    std::string m_limit; // the time limit of the current round
    bool m_eventsDone = false;
    bool m_samplesDone = false;
    std::vector<long long> m_deletedEvents;
};

} // namespace corvane
