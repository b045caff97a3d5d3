#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

class Database;

// Every GPS sample's place in its vehicle's track, for the track queries:
// the station's own table gps_track (vehicle_id, update_time, id), in that
// order, beside gps_data.
//
// Why not an index on gps_data: a fleet's reports arrive interleaved, so an
// index in vehicle order has each report land on its own vehicle's newest
// page, and each commit write one page per vehicle that reported. At ten
// thousand vehicles that was most of what the writer wrote. Here the writer
// appends samples to gps_data alone, and they are moved into gps_track in
// steps of up to stepRows samples sorted by vehicle, so a step writes each
// vehicle's page once, whatever number of its samples it carries.
//
// gps_track_through holds the highest id of gps_data that has been moved;
// the samples above it (the tail) are found in gps_data itself, by a scan
// of at most a step's rows. rangeSql() reads both, so a query sees every
// committed sample whether it has been moved or not. A step is committed in
// several transactions of a bounded length, so that a batch that falls due
// never waits for a whole step; until the step's last one, a sample may be in
// both places, and the queries take each once. A sample without a vehicle
// or a time is in no track and is not moved. A file made before gps_track
// has the index gps_data_vehicle_time_idx: it serves the tail until the steps
// have moved every sample, and is then dropped.
//
// Ownership: borrows the Database. Threads: advance and catchUp on the
// writer's connection, the caller holding the database mutex with no
// transaction open; the static functions from any thread, on the
// connection given. Throws: DatabaseException from a failing statement (the
// transaction it was in is rolled back; the step goes on from there at the
// next call), std::bad_alloc.
class TrackIndex
{
public:
    using Clock = std::chrono::steady_clock;

    // The most samples a step moves, and how long samples wait at most for
    // one once there are any.
    static constexpr std::int64_t stepRows = 65536;
    static constexpr std::chrono::seconds stepAge{30};

    explicit TrackIndex(Database& database) noexcept : m_database(database) {}

    // Creates gps_track and gps_track_through when missing (nothing moved).
    static void ensureTables(Database& database);

    // Does one transaction's worth of the current step, for about budget
    // (at least one sample), and starts a step when the tail holds stepRows
    // samples, or any that waited stepAge (from the open at the earliest),
    // or any at all when evenFew.
    // Returns false when there is nothing to do now.
    bool advance(std::chrono::microseconds budget, bool evenFew = false);
    // Moves the whole tail now (after a bulk load, and in tests).
    void catchUp();
    // Forgets the step under way and what was read of the file: after the
    // connection has been opened again.
    void restart() noexcept;

    // A compound SELECT of (update_time, id): every sample of the vehicle with
    // update_time BETWEEN from AND to, each once. An ORDER BY may follow.
    static std::string rangeSql(const std::string& vehicleId, const std::string& from,
                                const std::string& to);
    // The same with the samples' texts: (update_time, id, gps_data). Ordered
    // by the first two, the moved ones are read in gps_track's order, and
    // only the tail is sorted.
    static std::string rowsSql(const std::string& vehicleId, const std::string& from,
                               const std::string& to);
    // A SELECT of the vehicle's latest update_time (NULL when it has none).
    static std::string latestSql(const std::string& vehicleId);
    // Takes the samples of the comma-separated ids out of gps_track; call
    // before they are deleted from gps_data, in the same transaction.
    static void forget(Database& database, const std::string& idList);

private:
    struct Pending
    {
        std::uint32_t vehicle; // index into m_names
        std::int64_t id;
    };

    std::int64_t highestId();
    void readThrough();
    // Reads the step's samples in id order, a piece at a time, until budget;
    // true once all are read, and sorted (on reading the last piece).
    bool readStep(Clock::time_point started, std::chrono::microseconds budget);
    void sortStep();
    void insertStep(Clock::time_point started, std::chrono::microseconds budget);
    void dropOldIndex();

    Database& m_database;
    bool m_known = false; // m_through read from the file
    bool m_oldIndexGone = false;
    std::int64_t m_through = 0;
    Clock::time_point m_lastStep;
    // The step under way: samples (m_through, m_stepEnd]; read up to m_readTo,
    // sorted once all are read, inserted up to m_next.
    bool m_inStep = false;
    std::int64_t m_stepEnd = 0;
    std::int64_t m_readTo = 0;
    std::size_t m_next = 0;
    std::vector<Pending> m_pending;
    std::vector<std::string> m_names;
    std::unordered_map<std::string, std::uint32_t> m_vehicleOf;
};

} // namespace corvane
