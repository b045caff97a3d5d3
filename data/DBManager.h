#pragma once

#include "base/ISingleton.h"
#include "base/ThreadAffinity.h"
#include "data/Database.h"
#include "data/EventPageQuery.h"
#include "data/OpenAlarms.h"
#include "data/RecordWriter.h"
#include "data/RetentionSweeper.h"
#include "data/StorageHealth.h"
#include "data/TrackIndex.h"
#include "data/ZoneTable.h"
#include "thread/LoopingThread.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

class AbstractDatabaseRecord;
class EventLog;
class MessageQueue;
class StorageListener;

// Owner of app.db: creates missing tables (the station's own receipt tables
// too, see StationReceipts, its zones, see ZoneTable, and its alarm
// acknowledgements, see AlarmDesk), loads the vehicles and the open alarms,
// runs the writer thread "DBManager::DBManagerQueueThread" and answers the
// event log's queries.
//
// The file is kept in write-ahead-log mode (a file in the rollback journal
// is converted at open): readers, in this process or another, read the last
// commit while the writer goes on, and neither waits for the other. SQLite
// makes app.db-wal and app.db-shm with the mode of app.db.
//
// Writing: producers call enqueue() (through the containers), which puts a
// self-contained copy of the record into the write queue with a limit of
// 0 ms and never waits for the disk. The writer applies everything queued
// in one "BEGIN;" ... "COMMIT;" batch every half second (batchPeriodMs), and
// at once when the queue holds a batch's worth (16384 messages or 8 MiB), so
// a steady load the disk can absorb is never refused, and a process killed
// without warning loses at most the records of its last half second and the
// batch it was writing. close() wakes the writer, which writes everything
// still queued in a last batch before it stops. Between batches the writer
// moves samples into vehicle order (TrackIndex) and deletes what retention
// no longer keeps, each in transactions of a few milliseconds that give way
// to a batch that falls due.
//
// Lifetime: single instance (getInstance), destroyed at exit by the
// singleton registry. open() then close() once in the station; tests may
// open again after close (a new write queue is made).
// Threads: enqueue from any thread; open, close and the queries from any
// thread. The writer's connection is serialised by the process-wide
// recursive database mutex, which the writer holds for a whole batch and
// open, close and loadVehicles for their whole run. The event log's queries
// (countEvents, forEachEventPage) read on a connection of their own under
// the read mutex instead, so that a long read (a CSV export of every event)
// never keeps a batch waiting. What the producers, the owner and the writer
// share (the phase below, the wake-up reasons, the settings and the counts)
// is one state under one mutex, never held while the disk is written; the
// running count of events has a mutex of its own, held only to read or
// change the numbers. Lock order: the database mutex, then the read mutex
// (open and close only), then the count mutex, the state mutex or the
// vehicle container's mutex, then the queue's own mutex.
// The writer's thread is private: only open() starts it and close() ends it.
// Throws: DatabaseException from open (file cannot be opened) and from the
// queries; enqueue and close never throw it.
class DBManager final : public ISingleton, private LoopingThread
{
public:
    // A batch starts early once this much is queued. Every commit costs a
    // sync of the log whatever it holds, and each vehicle's row is written
    // again once per commit however many of its samples it gains: ten
    // thousand vehicles reporting once a second (a sample and two updates
    // each, thirty thousand messages) are written in two commits a second
    // by the period, where a batch of 4096 messages had seven, each writing
    // the pages of every vehicle row again (a quarter of the writer's time,
    // data_sustained_bench 130 10000 500 FULL 10000)...
    static constexpr int batchBytes = 8388608;
    static constexpr int batchMessages = 16384;
    // ...while the queue itself holds sixteen times that (at most 64 MiB of
    // records; at fifty thousand reports a second, a sample and a vehicle
    // update each, two and a half seconds): a burst of reports, or a writer
    // slowed by a busy disk or CPU for a second or two, is absorbed instead of
    // refused (a refused record is lost for good). The writer takes all that
    // waits into each batch, so under a heavy load its batches grow and each
    // commit's fixed cost is shared by more records.
    static constexpr int queueBytes = 64 * 1048576;
    static constexpr int queueMessages = 262144;
    // At most this long between two commits: what a kill loses. A commit in
    // the log costs one sync and the pages it changed, so two a second cost
    // the writer little (data_sustained_bench prints the figures).
    static constexpr int batchPeriodMs = 500;
    // Every commit is synced to the log before it returns ("FULL"), so a
    // power cut costs what a kill costs: the records not yet committed, at
    // most the last batch period's and the batch being written (if the disk
    // keeps its promise to have written what it acknowledged). "NORMAL"
    // would save that sync per commit, but a power cut could then take back
    // every commit since the last checkpoint: at a steady load, many seconds
    // of reports.
    static constexpr const char* synchronousLevel = "FULL";
    // The connection's page cache. A batch touches the row of every vehicle
    // that reported, and a step of TrackIndex the newest page of each
    // vehicle's track; SQLite's default 2 MiB cache holds those of a few
    // hundred vehicles, so a larger fleet had each read them from the file
    // again.
    static constexpr int cacheKiB = 16384;
    // The log is copied into app.db once it holds this many pages (about
    // 64 MiB), not at SQLite's default of 1000. A copy writes only the
    // newest version of each page, and a fleet rewrites the same pages at
    // every commit (the vehicle rows): at
    // ten thousand vehicles a second the default had every commit copied,
    // a seventh of the writer's time (data_sustained_bench 130 10000 500
    // FULL 10000). The log file keeps its largest size and is reused from
    // its start after each copy; a kill or power cut loses no more than
    // before, since a commit is in the log either way.
    static constexpr int checkpointPages = 16000;

    static DBManager& getInstance();
    // The database mutex: guards the connection; also the creation mutex of
    // getInstance().
    static std::recursive_mutex& getDatabaseMutex() noexcept;

    ~DBManager() override;

    // Opens app.db at the UTF-8 path, creates the tables that are missing
    // (a table or a view of that name counts as present), loads the
    // vehicles into VehicleInfoContainer and starts the writer. A failure
    // inside one table's turn is traced and the next table has its turn.
    void open(const std::string& path, int busyTimeoutMs);

    // Stops taking records (enqueue returns false from here on), lets the
    // writer write everything queued, waits for it, closes app.db.
    void close();

    // Queues a copy of the record; false when the queue is full, closed, or
    // the record cannot be encoded. Never waits and never raises.
    bool enqueue(const AbstractDatabaseRecord& record);

    // The zones that are not deleted, and which vehicle is in which (ZoneTable),
    // under the database mutex. Throws DatabaseException.
    std::vector<ZoneTable::StoredZone> loadZones();
    std::vector<ZoneCrossing> loadZonePresence();
    // The operator's zone edits on the map (ZoneTable::saveZone, deleteZone),
    // written at once on the writer's connection under the database mutex.
    // Throw DatabaseException when the write fails.
    std::int64_t saveZone(std::int64_t id, const std::string& name, const std::string& geometry);
    bool deleteZone(std::int64_t id);

    // Fills VehicleInfoContainer with every vehicle, each with its heard
    // order from vehicle_heard; returns the number.
    int loadVehicles();

    // One page of events at a time (EventPageQuery), on the read connection
    // under the read mutex: the number matching condition, and at most limit
    // of them after the first offset ones, in stored order, each with its
    // acknowledgement when it has one. The count of every event is kept from
    // the last one's (ids only grow), corrected for the rows retention
    // deleted.
    std::size_t countEvents(const char* condition);
    void forEachEventPage(const char* condition, std::size_t total, std::size_t offset,
                          std::size_t limit, const EventVisitor& visit);

    // Who hears of the writer's trouble (nullptr: nobody). Set it before
    // open(), so that a file that cannot be opened is told as well, and clear
    // it before the listener goes.
    void setStorageListener(StorageListener* listener) { m_health.setListener(listener); }
    // GPS samples and events the station received more than this many days
    // ago are deleted (RetentionSweeper); 0 (the default) keeps everything.
    void setKeepDays(int days) noexcept;
    // The event types that are alarms (bit n of "page/AlarmKinds": type n;
    // the station's own zone kinds: 1000 + n). The open alarms are read
    // again from app.db with the next batch, and retention keeps those.
    void setAlarmKinds(std::vector<std::int32_t> kinds);
    // The open alarms as committed: read by the window, kept by the writer.
    const OpenAlarms& openAlarms() const noexcept { return m_openAlarms; }

    // Nothing is written while the file system of app.db has less free space
    // than this; 0 (the default) sets no floor. The last batch at close()
    // ignores it.
    void setMinFreeBytes(std::uint64_t bytes) noexcept;

    // Records refused by enqueue() and batches that could not commit, since
    // the instance was made.
    long refusedCount() const noexcept;
    long failedBatchCount() const noexcept;

    // Asks the writer to run its next batch now instead of at the end of
    // its period, even after a failed batch (a full queue alone does not
    // cut that wait short).
    void requestBatch();

    // The time the writer sleeps between batches (batchPeriodMs in the station);
    // tests and benchmarks change it to separate the early batch and the
    // last batch from the periodic one.
    void setBatchPeriod(int milliseconds) noexcept;

    // The connection, for diagnosis and tests; use it only while holding
    // getDatabaseMutex().
    Database& getDatabase() noexcept { return m_database; }

    // Whether the writer thread runs (for diagnosis and tests).
    using LoopingThread::isRunning;

private:
    DBManager();

    using Clock = std::chrono::steady_clock;

    // The writer's life. Producers are taken while Idle (before the first
    // open: the first batch writes what came early) and while Writing.
    enum class Phase
    {
        Idle,     // never opened: no writer, the queue takes records
        Writing,  // the writer runs; a writer that died stays here too
        Draining, // close() has shut the queue to producers; the last batch runs
        Closed    // no writer; open() makes a new queue
    };

    // Everything the threads share, under m_mutex; m_wake tells the writer
    // of a change that may end its sleep.
    struct SharedState
    {
        Phase phase = Phase::Idle;
        bool batchRequested = false; // requestBatch() or close() since the last sleep
        bool fullBatchTold = false;  // a producer saw a batch's worth since the last sleep
        int periodMs = batchPeriodMs;
        int keepDays = 0;
        std::uint64_t minFreeBytes = 0;
        long refused = 0;
        long failedBatches = 0;
        std::vector<std::int32_t> alarmKinds;
        bool alarmKindsChanged = false; // the writer reads the open alarms again
    };

    // The largest record enqueue() takes: the writer's receive buffer.
    static constexpr std::size_t maxRecordBytes = 4194304;

    // The writer loop (the thread's body).
    void run() override;

    void useWriteAheadLog();
    void openReader(int busyTimeoutMs);
    // The read connection; raises DatabaseException when it is not open.
    // Caller holds m_readMutex.
    Database& reader();
    void setCacheSize();
    void ensureTables();
    // The open alarms of the kinds set, from app.db. Database mutex.
    void loadOpenAlarms();
    // Sets each loaded vehicle's heard order. Database mutex.
    void loadHeard();
    // Writer thread only, as every function down to tellEnded (asserted in
    // debug builds).
    void writeUntilStopped();
    // True when nothing is left waiting (written, or nothing to write).
    bool runBatch(bool honourFloor);
    bool belowFloor();
    // Whether work between batches may go on: no batch is due or asked for
    // and due has not passed.
    bool mayGoOn(Clock::time_point due) const;
    void advanceTrackIndex(Clock::time_point due);
    void sweepRetention(Clock::time_point due);
    // Sleeps until due; until then close() or requestBatch() wakes a writer
    // whose batch failed, and a full batch too one whose batch did not.
    void sleepUntil(Clock::time_point due, bool failed);
    void tellEnded(const char* why);
    // False once close() has asked the writer to finish.
    bool writing() const;
    // Whether the queue holds a batch's worth. Caller holds m_mutex.
    bool batchDue() const;
    std::string faultText(int code, const char* message) const;
    void forgetEventCount() noexcept;
    // Caller holds m_countMutex.
    void restartCount() noexcept;
    // Takes retention's deletions into the count of every event.
    void countDeleted(const std::vector<long long>& ids);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    SharedState m_state;
    // The write queue; replaced only by open() in the Closed phase, before
    // the writer starts, under m_mutex.
    std::unique_ptr<MessageQueue> m_queue;
    // Bound by run() to each writer thread as it starts.
    ThreadAffinity m_writerThread;

    // The writer's own: the buffer each record is taken into.
    std::vector<char> m_receiveBuffer;
    Database m_database;
    OpenAlarms m_openAlarms;
    RecordWriter m_writer{m_database, queueMessages};
    RetentionSweeper m_sweeper{m_database};
    TrackIndex m_trackIndex{m_database};
    // The event log's connection, under m_readMutex.
    std::recursive_mutex m_readMutex;
    Database m_reader;

    // The number of events with an id up to upTo (-1: not counted yet), and
    // the ids above upTo that retention deleted since (a count running then
    // sees them or not, by its snapshot). Past maxRacingDeletes of those the
    // count starts afresh. Under m_countMutex, as m_countRestarts.
    struct EventCount
    {
        long long counted = -1;
        long long upTo = -1;
        std::vector<long long> racing;
    };
    static constexpr std::size_t maxRacingDeletes = 4096;
    std::mutex m_countMutex;
    EventCount m_eventCount;
    unsigned m_countRestarts = 0;
    StorageHealth m_health;
    // Database mutex.
    std::string m_path;
    std::string m_currentTable;
};

} // namespace corvane
