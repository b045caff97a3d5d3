#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class Database;

// Deletes the GPS samples and events the station received more than a
// number of days ago, a small chunk at a time, so that the writer can do it
// between its batches without keeping a batch waiting.
//
// Age is the station's own: when a round starts, StationReceipts gives the
// lowest id of each table received within the days kept, and the round
// deletes every row below it, oldest (lowest id) first. The times recorders
// wrote into the rows play no part, so a row dated 2099 goes with the others
// received when it was, and one dated 1971 received today stays. The oldest
// rows lie together on a few pages, so a chunk dirties little and commits
// fast. A round that is complete forgets the hours it no longer needs.
//
// An open alarm (AlarmDesk: an event of the alarm kinds nobody has
// acknowledged) is never deleted, however old; an acknowledgement goes with
// its event, and a sample's place in its track (TrackIndex) with the sample.
//
// Ownership: borrows the Database. Threads: the caller holds the database
// mutex and no transaction is open (each call is a transaction of its own).
// Throws: DatabaseException when a statement fails (the call's deletions are
// rolled back).
class RetentionSweeper
{
public:
    explicit RetentionSweeper(Database& database) noexcept : m_database(database) {}

    // Deletes rows received more than keepDays days ago (nothing when 0 or
    // less) in one transaction, in pieces of at most rows rows until budget
    // has passed (one piece with no budget), and returns how many it
    // deleted. A return below rows means the round is complete: nothing
    // older is left.
    int sweep(int keepDays, int rows,
              std::chrono::microseconds budget = std::chrono::microseconds(0));

    // The event types that are alarms (see OpenAlarms::setKinds).
    void setAlarmKinds(std::vector<std::int32_t> kinds) { m_alarmKinds = std::move(kinds); }

    // The ids of the events the last sweep() deleted (valid once it
    // returned; a sweep that raised may list ids it did not delete).
    const std::vector<long long>& deletedEvents() const noexcept { return m_deletedEvents; }

private:
    // A table's part of a round: rows below `below` go.
    struct Front
    {
        const char* table;
        std::int64_t below = 0;
        bool done = false;
    };

    int sweepPiece(int rows);
    // Deletes up to rows rows from the front of the table; the number deleted.
    int sweepFront(Front& front, int rows, std::vector<long long>* deletedIds);

    Database& m_database;
    int m_keepDays = 0;
    bool m_inRound = false;
    Front m_events{"event_info"};
    Front m_samples{"gps_data"};
    std::vector<long long> m_deletedEvents;
    std::vector<std::int32_t> m_alarmKinds;
    bool m_hasAcks = false;  // whether the file has alarm_ack, seen at a round's start
    bool m_hasTrack = false; // whether it has gps_track (TrackIndex), likewise
};

} // namespace corvane
