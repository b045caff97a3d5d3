#pragma once

#include <cstddef>
#include <vector>

namespace corvane {

class AbstractDatabaseRecord;
class Database;
class MessageQueue;

// Turns queued records into SQL on app.db: the database writer's batch.
// Every text value goes into the statement through "%q" inside apostrophes,
// every integer through "%d", and the statement text grows to whatever the
// values need, so a long name or path is stored exactly and an apostrophe
// or percent sign in a value is stored as it is.
//
// Ownership: borrows the Database. Threads: the thread that holds the
// database mutex. Throws: writeBatch() never throws DatabaseException (each
// failure is traced); std::bad_alloc may escape.
class RecordWriter
{
public:
    explicit RecordWriter(Database& database) noexcept : m_database(database) {}

    // One batch: "BEGIN;", then up to `count` messages taken from the queue
    // (each with a limit of 5000 ms; a take that yields nothing ends the
    // batch) and applied in order, then "COMMIT;". A record that fails is
    // traced and skipped and the rest are still applied and committed; no
    // transaction is ever left open. When "BEGIN;" itself fails nothing is
    // taken. Returns the number of messages taken; `bytes` grows by their
    // encoded sizes. `buffer` must hold the longest message.
    int writeBatch(MessageQueue& queue, int count, std::vector<char>& buffer,
                   std::size_t* bytes = nullptr);

    // Applies one record by its recordType and operation: vehicle insert or
    // update, GPS insert, event insert; any other pair is ignored. A vehicle
    // update that matches no row inserts the vehicle instead, so a vehicle
    // whose insert was refused by a full queue is still stored.
    // Throws: DatabaseException when the statement fails.
    void apply(const AbstractDatabaseRecord& record);

private:
    Database& m_database;
};

} // namespace corvane
