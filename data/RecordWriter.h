#pragma once

#include "data/OpenAlarms.h"
#include "data/Statement.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

class AbstractDatabaseRecord;
class Database;
class DatabaseException;
class EventLog;
class GPSData;
class VehicleInfo;
class MessageQueue;
class Transaction;

// Turns queued records into SQL on app.db: the database writer's batch.
// Every text value goes into the statement through "%q" inside apostrophes,
// every integer through "%d", and the statement text grows to whatever the
// values need, so a long name or path is stored exactly and an apostrophe
// or percent sign in a value is stored as it is. GPS samples, the bulk of
// the rows, go through one statement compiled once per connection with the
// values bound: no statement text is formatted and compiled per sample.
//
// A record taken from the queue is kept until the transaction that applies
// it has committed. A failure that says nothing about the record itself
// (the file busy or locked by another process beyond the busy time-out, out
// of memory, or a fault of the database file: read-only, cannot be opened,
// not a database, corrupt, no permission, disk full, I/O error) rolls the
// batch back and keeps all its records, in order, for the next batch; while
// `pendingLimit` records wait, no more are taken, so the queue fills and
// refuses producers instead of memory growing. lastFault() says what kept
// them.
//
// Each batch also keeps the station's own receipts (StationReceipts): the
// hour it was written in, and each vehicle's newest sample id. A file whose
// receipt tables cannot be written is traced once and still takes the
// records.
//
// Ownership: borrows the Database and the OpenAlarms; owns the waiting records.
// Threads: the thread that holds the database mutex (in the station the writer,
// "DBManager::DBManagerQueueThread"). Throws: writeBatch()
// never throws DatabaseException (each failure is traced); std::bad_alloc
// may escape.
class RecordWriter
{
public:
    explicit RecordWriter(Database& database, std::size_t pendingLimit = 2048) noexcept
        : m_database(database), m_pendingLimit(pendingLimit)
    {}
    ~RecordWriter();

    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    // One batch: up to `count` messages taken from the queue (each with a
    // limit of 5000 ms; a take that yields nothing ends the taking) behind
    // the records still waiting, then "BEGIN;", every record applied in
    // order (a vehicle update that a later one of the same vehicle overwrites
    // is left out, see VehicleUpdateCoalescer), "COMMIT;". A record that
    // fails on its own account (a second insert of an identifier) is traced
    // and skipped and the rest are still applied and committed. No transaction is ever left open.
    // Returns the number of messages taken. `buffer` must hold the longest message.
    int writeBatch(MessageQueue& queue, int count, std::vector<char>& buffer);

    // Where the alarms of each commit are kept (nullptr: nowhere): events of
    // its kinds join it, acknowledged ones leave it, once committed.
    void setOpenAlarms(OpenAlarms* alarms) noexcept { m_openAlarms = alarms; }

    // Records taken but not yet committed.
    std::size_t pending() const noexcept { return m_pending.size(); }
    // Drops them (traced), when no batch will come any more.
    void discardPending() noexcept;

    // Why the last batch kept its records: SQLite's code (0 when the batch
    // committed or had nothing to write) and message.
    struct Fault
    {
        int code = 0;
        std::string message;
    };
    const Fault& lastFault() const noexcept { return m_lastFault; }

    // SQLite codes (primary or extended) that say the file itself cannot be
    // written, as opposed to one record or a momentary lock.
    static bool isDatabaseFault(int code) noexcept;

    // Applies one record by its recordType and operation: vehicle insert or
    // update, GPS insert, event insert, zone crossing (its presence, then
    // its event), alarm acknowledgement (AlarmDesk); any other pair is ignored. A vehicle
    // update that matches no row inserts the vehicle instead, so a vehicle
    // whose insert was refused by a full queue is still stored.
    // Throws: DatabaseException when the statement fails.
    void apply(const AbstractDatabaseRecord& record);

private:
    // Applies every waiting record in one transaction; true when committed.
    bool commitPending();
    // Opens the batch's transaction (closing one still held) and notes the
    // hour; false, with the fault kept, when the batch cannot go on.
    bool begin(std::optional<Transaction>& transaction);
    // The batch's newest sample of each vehicle into vehicle_heard.
    bool writeHeard();
    void tellReceiptFault(const DatabaseException& e);
    // Traces e and keeps it as the last fault; false, for a batch that failed.
    bool keepFor(const DatabaseException& e);
    // One event_info row; one of an alarm kind is noted for the open alarms.
    void storeEvent(const EventLog& event);
    // One gps_data row through the compiled statement.
    void insertGps(const GPSData& sample);
    // A vehicle_info row written whole, through compiled statements: a fleet
    // of ten thousand updates ten thousand rows a second.
    void insertVehicle(const VehicleInfo& vehicle);
    void updateVehicle(const VehicleInfo& vehicle);

    // A statement compiled once per connection: again for a new connection
    // or after a failure released it.
    struct Compiled
    {
        const char* sql;
        std::unique_ptr<Statement> statement;
        const void* connection = nullptr; // the handle it was compiled on
        Statement& on(Database& database);
    };

    Database& m_database;
    std::size_t m_pendingLimit;
    Fault m_lastFault;
    std::deque<std::unique_ptr<AbstractDatabaseRecord>> m_pending;
    Compiled m_gpsInsert{"INSERT INTO gps_data (gps_data, update_time, vehicle_id)VALUES (?1, "
                         "DATETIME(?2), ?3);"};
    Compiled m_heardUpsert{
        "INSERT OR REPLACE INTO vehicle_heard (vehicle_id, last_sample_id) VALUES (?1, ?2);"};
    // The statements the station always wrote, with each value bound where
    // it stood as a literal (the same texts once expanded): the insert takes
    // the identifier first, the update last.
    Compiled m_vehicleInsert{
        "INSERT INTO vehicle_info (id, name, edited_name, "
        "last_updated_time,last_updated_latitude,last_updated_longitude, deleted, company, maker, "
        "model, registration, driver, license, info1, info2, image_path)VALUES (?1, ?2, ?3, "
        "DATETIME(?4), ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16);"};
    Compiled m_vehicleUpdate{
        "UPDATE vehicle_info set name=?1, edited_name=?2,last_updated_time=DATETIME(?3), "
        "last_updated_latitude=?4,last_updated_longitude=?5, deleted=?6, company=?7, "
        "maker=?8, model=?9, registration=?10, driver=?11, license=?12, info1=?13, "
        "info2=?14, image_path=?15 where id = ?16;"};
    // The batch's newest sample id of each vehicle (identifier text).
    std::unordered_map<std::string, std::int64_t> m_heard;
    bool m_receiptFaultTold = false;
    OpenAlarms* m_openAlarms = nullptr;
    // The batch's kinds, and its alarms stored and acknowledged so far.
    std::vector<std::int32_t> m_alarmKinds;
    std::vector<OpenAlarm> m_batchAlarms;
    std::vector<std::int64_t> m_batchAcknowledged;
    bool m_batchHadAck = false;
};

} // namespace corvane
