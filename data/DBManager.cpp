#include "data/DBManager.h"

#include "base/Trace.h"
#include "data/AlarmDesk.h"
#include "data/DatabaseException.h"
#include "data/EventLog.h"
#include "data/EventPageQuery.h"
#include "data/FormatableSQL.h"
#include "data/FreeSpace.h"
#include "data/RecordCodec.h"
#include "data/RecordWriter.h"
#include "data/RowSet.h"
#include "data/SingletonRegistry.h"
#include "data/StationReceipts.h"
#include "data/TrackIndex.h"
#include "data/Transaction.h"
#include "data/VehicleInfoContainer.h"
#include "data/ZoneTable.h"
#include "thread/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <sqlite3.h>

namespace corvane {

namespace {

std::recursive_mutex g_databaseMutex;
std::atomic<DBManager*> g_instance{nullptr};

struct TableSchema
{
    const char* name;
    const char* createTable;
    const char* createIndex;
};

// Creation order matters to nothing in SQLite but is kept stable.
constexpr TableSchema tables[] = {
    {"event_info",
     "CREATE TABLE event_info (id INTEGER PRIMARY KEY AUTOINCREMENT,address TEXT,name TEXT,time "
     "DATETIME,event_type INTEGER,device_title TEXT, vehicle_id TEXT,foreign key(vehicle_id) "
     "references vehicle_info(id));",
     "CREATE UNIQUE INDEX event_info_idx ON event_info(id);"},
    {"vehicle_info",
     "CREATE TABLE vehicle_info (id TEXT PRIMARY KEY,name TEXT,edited_name TEXT,last_updated_time "
     "DATETIME,last_updated_latitude TEXT,last_updated_longitude TEXT, deleted INTEGER, company "
     "TEXT, maker TEXT, model TEXT,registration TEXT, driver TEXT, license TEXT, info1 TEXT, "
     "info2 TEXT, image_path TEXT);",
     "CREATE UNIQUE INDEX vehicle_info_idx ON vehicle_info(id);"},
    {"gps_data",
     "CREATE TABLE gps_data (id INTEGER PRIMARY KEY AUTOINCREMENT,gps_data TEXT,update_time "
     "DATETIME,vehicle_id TEXT,foreign key(vehicle_id) references vehicle_info(id));",
     "CREATE UNIQUE INDEX gps_data_idx ON gps_data(id);"},
    {"optional_info",
     "CREATE TABLE optional_info (id INTEGER PRIMARY KEY AUTOINCREMENT,key_info TEXT NOT NULL, "
     "value_info TEXT NOT NULL DEFAULT '', vehicle_id TEXT, foreign key(vehicle_id) references "
     "vehicle_info(id));",
     "CREATE UNIQUE INDEX optional_info_idx ON optional_info(id);"},
};

// Indexes for the event log's searches and the retention's deletes. Made at
// every open, so files made before them gain them and keep their tables.
// The samples' vehicle order is TrackIndex's.
constexpr const char* extraIndexes[] = {
    "CREATE INDEX IF NOT EXISTS event_info_time_idx ON event_info(time);",
    "CREATE INDEX IF NOT EXISTS event_info_vehicle_time_idx ON event_info(vehicle_id, time);",
};

// Retention deletes pieces of this many rows for this long in one
// transaction, and commits: a batch that falls due waits no longer than that
// and the commit.
constexpr int retentionChunkRows = 200;
constexpr std::chrono::microseconds retentionChunkBudget{5000};
// The same for the samples' move into vehicle order: a step of 65536
// samples takes a few of these.
constexpr std::chrono::microseconds trackStepBudget{20000};

constexpr std::uint64_t megabyte = 1024 * 1024;

// Runs a SELECT and refills a container through the records' load().
template <typename Container, typename Add>
int loadInto(Database& db, const char* sql, Container& container, Add add)
{
    RowSet rows(db, sql);
    std::lock_guard lock(container.getMutex());
    container.clear();
    while (rows.next())
        add(rows);
    rows.close();
    return static_cast<int>(container.getMap().size());
}

} // namespace

DBManager& DBManager::getInstance()
{
    return SingletonRegistry::obtain(g_instance, g_databaseMutex, [] { return new DBManager(); });
}

std::recursive_mutex& DBManager::getDatabaseMutex() noexcept
{
    return g_databaseMutex;
}

DBManager::DBManager()
    : LoopingThread("DBManager::DBManagerQueueThread"),
      m_queue(std::make_unique<MessageQueue>(queueBytes, nullptr, queueMessages)),
      m_receiveBuffer(maxRecordBytes)
{
    m_writer.setOpenAlarms(&m_openAlarms);
}

DBManager::~DBManager()
{
    close();
}

void DBManager::open(const std::string& path, int busyTimeoutMs)
{
    std::lock_guard lock(g_databaseMutex);
    m_path = path;
    m_health.reset();
    m_trackIndex.restart();
    forgetEventCount();
    try {
        m_database.open(path.c_str(), busyTimeoutMs);
    } catch (const DatabaseException& e) {
        m_health.report(StorageHealth::Problem::Fault, faultText(e.getCode(), e.getMessage()));
        throw;
    }
    useWriteAheadLog();
    setCacheSize();
    ensureTables();
    loadOpenAlarms();
    openReader(busyTimeoutMs);
    {
        std::lock_guard state(m_mutex);
        if (m_state.phase == Phase::Writing)
            return;
        if (m_state.phase == Phase::Closed)
            m_queue = std::make_unique<MessageQueue>(queueBytes, nullptr, queueMessages);
        m_state.phase = Phase::Writing;
        m_state.batchRequested = false;
        m_state.fullBatchTold = false;
    }
    try {
        start();
    } catch (...) {
        // As before the first open: records are taken, none written.
        std::lock_guard state(m_mutex);
        m_state.phase = Phase::Idle;
        throw;
    }
}

void DBManager::useWriteAheadLog()
{
    // Readers (the event log, the track history, other programs) then read
    // the last commit while the writer goes on, and the writer never waits
    // for them; a file kept in the rollback journal is converted here, once.
    // What a power cut may cost: see synchronousLevel in the header.
    try {
        RowSet mode(m_database, "PRAGMA journal_mode = WAL;");
        const char* now = mode.next() ? mode.getText(0) : nullptr;
        if (now == nullptr || std::strcmp(now, "wal") != 0)
            // Another connection held the file, or its file system cannot
            // share memory between processes: it works on as before.
            traceMessage("%s stays in journal mode %s", m_path.c_str(),
                         now != nullptr ? now : "(unknown)");
        mode.close();
        m_database.execute((std::string("PRAGMA synchronous = ") + synchronousLevel + ";").c_str());
        m_database.execute(
            ("PRAGMA wal_autocheckpoint = " + std::to_string(checkpointPages) + ";").c_str());
    } catch (const DatabaseException& e) {
        traceException(e);
    }
}

void DBManager::openReader(int busyTimeoutMs)
{
    std::lock_guard read(m_readMutex);
    try {
        m_reader.open(m_path.c_str(), busyTimeoutMs);
        // It only reads; a fault of the code cannot make it write.
        m_reader.execute("PRAGMA query_only = 1;");
    } catch (const DatabaseException& e) {
        // The queries say so when they are asked.
        traceException(e);
        m_reader.close();
    }
}

Database& DBManager::reader()
{
    if (!m_reader.isOpen())
        CORVANE_THROW(DatabaseException, SQLITE_MISUSE, "app.db is not open for reading");
    return m_reader;
}

void DBManager::setCacheSize()
{
    try {
        m_database.execute(("PRAGMA cache_size = -" + std::to_string(cacheKiB) + ";").c_str());
    } catch (const DatabaseException& e) {
        // Only slower with the default cache.
        traceException(e);
    }
}

void DBManager::ensureTables()
{
    // First, so that the vehicles load with their heard order.
    try {
        StationReceipts::ensureTables(m_database);
    } catch (const DatabaseException& e) {
        traceException(e);
    }
    for (const TableSchema& table : tables) {
        m_currentTable = table.name;
        try {
            std::vector<std::string> names;
            m_database.listTables(names);
            // Byte-wise: a view of the same name counts as the table.
            if (std::find(names.begin(), names.end(), m_currentTable) == names.end()) {
                m_database.execute(table.createTable);
                m_database.execute(table.createIndex);
            }
            if (m_currentTable == "vehicle_info")
                loadVehicles();
        } catch (const DatabaseException& e) {
            traceException(e);
        }
    }
    for (const char* index : extraIndexes) {
        try {
            m_database.execute(index);
        } catch (const DatabaseException& e) {
            traceException(e);
        }
    }
    // The station's zones and acknowledgements last: the recorders' tables
    // stay as they were.
    try {
        TrackIndex::ensureTables(m_database);
    } catch (const DatabaseException& e) {
        traceException(e);
    }
    try {
        ZoneTable::ensureTables(m_database);
    } catch (const DatabaseException& e) {
        traceException(e);
    }
    try {
        AlarmDesk::ensureTable(m_database);
    } catch (const DatabaseException& e) {
        traceException(e);
    }
}

void DBManager::setAlarmKinds(std::vector<std::int32_t> kinds)
{
    std::sort(kinds.begin(), kinds.end());
    kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
    {
        std::lock_guard state(m_mutex);
        if (kinds == m_state.alarmKinds)
            return;
        m_state.alarmKinds = std::move(kinds);
        m_state.alarmKindsChanged = true;
    }
    requestBatch();
}

void DBManager::loadOpenAlarms()
{
    // Database mutex: open() or the writer's batch.
    std::vector<std::int32_t> kinds;
    {
        std::lock_guard state(m_mutex);
        kinds = m_state.alarmKinds;
        m_state.alarmKindsChanged = false;
    }
    m_openAlarms.setKinds(kinds);
    m_sweeper.setAlarmKinds(kinds);
    try {
        std::size_t notHeld = 0;
        auto alarms = AlarmDesk::loadOpen(m_database, kinds, OpenAlarms::maxHeld, notHeld);
        m_openAlarms.replace(std::move(alarms), notHeld);
    } catch (const DatabaseException& e) {
        traceException(e);
        m_openAlarms.replace({}, 0);
    }
}

std::vector<ZoneTable::StoredZone> DBManager::loadZones()
{
    std::lock_guard lock(g_databaseMutex);
    return ZoneTable::loadZones(m_database);
}

std::vector<ZoneCrossing> DBManager::loadZonePresence()
{
    std::lock_guard lock(g_databaseMutex);
    return ZoneTable::loadPresence(m_database);
}

std::int64_t DBManager::saveZone(std::int64_t id, const std::string& name,
                                 const std::string& geometry)
{
    std::lock_guard lock(g_databaseMutex);
    return ZoneTable::saveZone(m_database, id, name, geometry);
}

bool DBManager::deleteZone(std::int64_t id)
{
    std::lock_guard lock(g_databaseMutex);
    return ZoneTable::deleteZone(m_database, id);
}

void DBManager::close()
{
    bool writerRuns;
    {
        // After this no producer can put, so the last batch takes it all.
        std::lock_guard state(m_mutex);
        writerRuns = m_state.phase == Phase::Writing;
        if (writerRuns)
            m_state.phase = Phase::Draining;
        m_state.batchRequested = true;
    }
    m_wake.notify_one();
    if (writerRuns)
        join();
    {
        std::lock_guard state(m_mutex);
        m_state.phase = Phase::Closed;
        m_queue->close();
    }
    std::lock_guard lock(g_databaseMutex);
    m_writer.discardPending();
    {
        std::lock_guard read(m_readMutex);
        m_reader.close();
    }
    m_database.close();
}

bool DBManager::enqueue(const AbstractDatabaseRecord& record)
{
    thread_local std::string encoded;
    // The writer takes each record into a buffer of this size; nothing a
    // recorder or the operator can send comes near it.
    const bool encodable = RecordCodec::encode(record, encoded) && encoded.size() <= maxRecordBytes;
    std::lock_guard state(m_mutex);
    const bool accepting = m_state.phase == Phase::Idle || m_state.phase == Phase::Writing;
    // Put while the state is held, so that no record slips in behind the
    // last batch of close().
    if (!encodable || !accepting || !m_queue->put(encoded.data(), encoded.size(), 0)) {
        ++m_state.refused;
        return false;
    }
    if (!m_state.fullBatchTold && batchDue()) {
        // Not a request: a writer whose last batch failed sleeps on.
        m_state.fullBatchTold = true;
        m_wake.notify_one();
    }
    return true;
}

bool DBManager::batchDue() const
{
    return m_queue->count() >= batchMessages || m_queue->bytes() >= batchBytes;
}

bool DBManager::writing() const
{
    std::lock_guard state(m_mutex);
    return m_state.phase == Phase::Writing;
}

void DBManager::requestBatch()
{
    {
        std::lock_guard state(m_mutex);
        m_state.batchRequested = true;
    }
    m_wake.notify_one();
}

long DBManager::refusedCount() const noexcept
{
    std::lock_guard state(m_mutex);
    return m_state.refused;
}

long DBManager::failedBatchCount() const noexcept
{
    std::lock_guard state(m_mutex);
    return m_state.failedBatches;
}

void DBManager::setKeepDays(int days) noexcept
{
    std::lock_guard state(m_mutex);
    m_state.keepDays = days;
}

void DBManager::setMinFreeBytes(std::uint64_t bytes) noexcept
{
    std::lock_guard state(m_mutex);
    m_state.minFreeBytes = bytes;
}

void DBManager::setBatchPeriod(int milliseconds) noexcept
{
    std::lock_guard state(m_mutex);
    m_state.periodMs = milliseconds;
}

void DBManager::run()
{
    // This thread is the writer until the next open() starts another.
    m_writerThread.rebind();
    try {
        writeUntilStopped();
    } catch (const Exception& e) {
        tellEnded(e.getMessage());
        throw;
    } catch (const std::exception& e) {
        tellEnded(e.what());
        throw;
    }
}

void DBManager::tellEnded(const char* why)
{
    m_writerThread.assertOwner();
    std::lock_guard lock(g_databaseMutex);
    m_health.report(StorageHealth::Problem::Ended,
                    "The database writer of " + m_path + " has stopped: " + why +
                        ".\nNothing more is stored until the station is started again.");
}

void DBManager::writeUntilStopped()
{
    m_writerThread.assertOwner();
    // The one full count of the events, here rather than when the operator
    // first opens the event log.
    try {
        countEvents(nullptr);
    } catch (const DatabaseException& e) {
        traceException(e);
    }
    while (writing()) {
        const auto started = Clock::now();
        const bool written = runBatch(true);
        if (!writing())
            break;
        std::chrono::milliseconds period;
        {
            std::lock_guard state(m_mutex);
            period = std::chrono::milliseconds(m_state.periodMs);
        }
        if (written) {
            advanceTrackIndex(started + period);
            sweepRetention(started + period);
            sleepUntil(started + period, false);
        } else {
            // A whole period from the failure, however long the batch took.
            sleepUntil(Clock::now() + period, true);
        }
    }
    // close() has shut the queue to producers: what is queued now is final,
    // and the last batch takes all of it. A batch that could not commit
    // (the file locked by another process) is tried twice more.
    for (int attempt = 0; attempt < 3; ++attempt) {
        runBatch(false);
        std::lock_guard lock(g_databaseMutex);
        if (m_writer.pending() == 0)
            break;
    }
}

void DBManager::sleepUntil(Clock::time_point due, bool failed)
{
    m_writerThread.assertOwner();
    // After a failure only the period ends the wait: a full queue must not
    // turn the retries into a loop that holds a core and the database mutex.
    std::unique_lock state(m_mutex);
    m_wake.wait_until(state, due, [this, failed] {
        const SharedState& s = m_state;
        return s.phase != Phase::Writing || s.batchRequested ||
               (!failed && (s.fullBatchTold || batchDue()));
    });
    m_state.batchRequested = false;
    m_state.fullBatchTold = false;
}

bool DBManager::runBatch(bool honourFloor)
{
    m_writerThread.assertOwner();
    // The queue is replaced only while no writer runs.
    MessageQueue& queue = *m_queue;
    std::lock_guard lock(g_databaseMutex);
    bool kindsChanged;
    {
        std::lock_guard state(m_mutex);
        kindsChanged = m_state.alarmKindsChanged;
    }
    if (kindsChanged && m_writer.pending() == 0)
        loadOpenAlarms();
    if (honourFloor && belowFloor())
        return false;
    const std::size_t kept = m_writer.pending();
    const int taken = m_writer.writeBatch(queue, queue.count(), m_receiveBuffer);
    const RecordWriter::Fault& fault = m_writer.lastFault();
    if (fault.code != 0) {
        {
            std::lock_guard state(m_mutex);
            ++m_state.failedBatches;
        }
        if (RecordWriter::isDatabaseFault(fault.code))
            m_health.report(StorageHealth::Problem::Fault,
                            faultText(fault.code, fault.message.c_str()));
        return false;
    }
    if (kept + static_cast<std::size_t>(taken) > 0)
        m_health.clear(m_path + " is written again: " + std::to_string(kept + taken) +
                       " records kept or received meanwhile have been stored.");
    return true;
}

bool DBManager::belowFloor()
{
    m_writerThread.assertOwner();
    std::uint64_t floor;
    {
        std::lock_guard state(m_mutex);
        floor = m_state.minFreeBytes;
    }
    if (floor == 0)
        return false;
    const std::string folder = folderOf(m_path);
    const std::optional<std::uint64_t> free = freeBytesAt(folder);
    if (!free || *free >= floor)
        return false;
    char text[160];
    std::snprintf(text, sizeof text, "%llu MB free, below the floor of %llu MB",
                  static_cast<unsigned long long>(*free / megabyte),
                  static_cast<unsigned long long>(floor / megabyte));
    m_health.report(StorageHealth::Problem::LowSpace,
                    "The folder " + folder + " has only " + text +
                        ".\nNothing is written; received records are kept in memory (up to " +
                        std::to_string(queueMessages) + ") and written when space is freed.");
    return true;
}

std::string DBManager::faultText(int code, const char* message) const
{
    return "The database " + m_path + " cannot be written: " + message + " (SQLite code " +
           std::to_string(code) + ").\nReceived records are kept in memory (up to " +
           std::to_string(queueMessages) + ") and written when the file can be written again.";
}

bool DBManager::mayGoOn(Clock::time_point due) const
{
    std::lock_guard state(m_mutex);
    return m_state.phase == Phase::Writing && !m_state.batchRequested && !batchDue() &&
           Clock::now() < due;
}

void DBManager::advanceTrackIndex(Clock::time_point due)
{
    m_writerThread.assertOwner();
    while (mayGoOn(due)) {
        std::lock_guard lock(g_databaseMutex);
        try {
            if (!m_trackIndex.advance(trackStepBudget))
                return;
        } catch (const DatabaseException& e) {
            // The batches tell what is wrong with the file; the step waits.
            traceException(e);
            return;
        }
    }
}

void DBManager::sweepRetention(Clock::time_point due)
{
    m_writerThread.assertOwner();
    // Retention gives way at once to a batch that falls due.
    int days;
    bool kindsChanged;
    {
        std::lock_guard state(m_mutex);
        days = m_state.keepDays;
        kindsChanged = m_state.alarmKindsChanged;
    }
    // Not before the next batch has taken the new alarm kinds: the sweeper
    // would not know which old alarms are still open.
    if (days <= 0 || kindsChanged)
        return;
    while (mayGoOn(due)) {
        std::lock_guard lock(g_databaseMutex);
        try {
            const int deleted = m_sweeper.sweep(days, retentionChunkRows, retentionChunkBudget);
            countDeleted(m_sweeper.deletedEvents());
            if (deleted < retentionChunkRows)
                return;
        } catch (const DatabaseException& e) {
            forgetEventCount();
            // The batches tell what is wrong with the file; retention waits.
            traceException(e);
            return;
        }
    }
}

void DBManager::forgetEventCount() noexcept
{
    std::lock_guard count(m_countMutex);
    restartCount();
}

void DBManager::restartCount() noexcept
{
    m_eventCount = EventCount{};
    ++m_countRestarts;
}

void DBManager::countDeleted(const std::vector<long long>& ids)
{
    std::lock_guard count(m_countMutex);
    EventCount& c = m_eventCount;
    for (long long id : ids) {
        if (id <= c.upTo) {
            --c.counted;
        } else if (c.racing.size() < maxRacingDeletes) {
            // Newer than the last count: a count running now may or may not
            // see it; it finds out in its own snapshot.
            c.racing.push_back(id);
        } else {
            restartCount();
            return;
        }
    }
}

std::size_t DBManager::countEvents(const char* condition)
{
    std::lock_guard read(m_readMutex);
    Database& db = reader();
    if (condition != nullptr && condition[0] != '\0')
        return EventPageQuery(db).count(condition);
    // Every event: counting a table of millions takes a second, so the count
    // is kept up to date from the rows added since (ids only grow) and the
    // rows retention deleted. The rows added are counted in one snapshot,
    // which the writer does not wait for.
    while (true) {
        long long upTo;
        unsigned restarts;
        {
            std::lock_guard count(m_countMutex);
            upTo = m_eventCount.upTo;
            restarts = m_countRestarts;
        }
        Transaction snapshot(db);
        const FormatableSQL sql("SELECT count(*), max(id) FROM event_info WHERE id > %lld;", upTo);
        RowSet rows(db, sql.getText());
        if (!rows.next())
            return 0;
        const char* addedText = rows.getText(0);
        const char* lastText = rows.getText(1);
        long long added = addedText != nullptr ? std::strtoll(addedText, nullptr, 10) : 0;
        const long long last = lastText != nullptr ? std::strtoll(lastText, nullptr, 10) : upTo;
        rows.close();
        // Events above upTo that retention deleted meanwhile were counted
        // here when this snapshot still holds them.
        RowSet seen(db);
        std::vector<long long> racing;
        while (true) {
            {
                std::lock_guard count(m_countMutex);
                EventCount& c = m_eventCount;
                if (m_countRestarts != restarts)
                    break;
                if (c.racing.empty()) {
                    c.counted = std::max(0LL, c.counted) + added;
                    c.upTo = last;
                    return static_cast<std::size_t>(c.counted);
                }
                racing.swap(c.racing);
                c.racing.clear();
            }
            for (long long id : racing) {
                if (id > last)
                    continue;
                seen.query(
                    FormatableSQL("SELECT 1 FROM event_info WHERE id = %lld;", id).getText());
                added -= seen.next() ? 1 : 0;
            }
            seen.close();
        }
        // Retention deleted more than could be followed meanwhile. A count
        // of every row is right for its snapshot (the next one starts afresh
        // anyway); a count of the rows added since is repeated in full.
        if (upTo < 0)
            return static_cast<std::size_t>(std::max(0LL, added));
    }
}

void DBManager::forEachEventPage(const char* condition, std::size_t total, std::size_t offset,
                                 std::size_t limit, const EventVisitor& visit)
{
    std::lock_guard read(m_readMutex);
    EventPageQuery(reader()).page(condition, total, offset, limit, visit);
}

int DBManager::loadVehicles()
{
    std::lock_guard lock(g_databaseMutex);
    const int loaded =
        loadInto(m_database, "SELECT * FROM vehicle_info ;", VehicleInfoContainer::getInstance(),
                 [](const RowSet& row) {
                     auto record = std::make_unique<VehicleInfo>(UniqueID::zero());
                     record->load(row);
                     VehicleInfoContainer::getInstance().addLoaded(std::move(record));
                 });
    try {
        loadHeard();
    } catch (const DatabaseException& e) {
        // Without the order the vehicles are still shown, by their times.
        traceException(e);
    }
    return loaded;
}

void DBManager::loadHeard()
{
    RowSet rows(m_database, "SELECT vehicle_id, last_sample_id FROM vehicle_heard;");
    VehicleInfoContainer& vehicles = VehicleInfoContainer::getInstance();
    std::lock_guard container(vehicles.getMutex());
    while (rows.next()) {
        const char* id = rows.getText(0);
        const char* heard = rows.getText(1);
        if (id == nullptr || heard == nullptr)
            continue;
        if (VehicleInfo* vehicle = vehicles.find(UniqueID(id)))
            vehicle->heard = std::strtoll(heard, nullptr, 10);
    }
}

} // namespace corvane
