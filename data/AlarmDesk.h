#pragma once

#include "data/OpenAlarms.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class AlarmAck;
class Database;

// The alarm acknowledgements of app.db, the station's own table, exactly
//   "CREATE TABLE alarm_ack (event_id INTEGER PRIMARY KEY REFERENCES
//   event_info(id), acknowledged DATETIME NOT NULL, operator TEXT NOT NULL,
//   note TEXT NOT NULL DEFAULT '')"
// An event of a chosen kind without a row here is an open alarm. Only an open
// alarm can be acknowledged: the first acknowledgement stands.
//
// Ownership: borrows the Database for each call. Threads: the caller holds
// the database mutex (or owns the connection). Throws: DatabaseException from
// a failing statement.
class AlarmDesk
{
public:
    static const char* const createTable;

    // Creates the table when missing (a table or view of the name counts).
    static void ensureTable(Database& database);

    // The newest `limit` open alarms of the kinds, ascending ids, and in
    // notHeld how many older ones there are beyond them.
    static std::vector<OpenAlarm> loadOpen(Database& database,
                                           const std::vector<std::int32_t>& kinds,
                                           std::size_t limit, std::size_t& notHeld);

    // Stores the acknowledgement: of the one open alarm of the kinds it
    // names, or of every open alarm of the kinds of its vehicle up to its
    // event id. Returns the ids it acknowledged (an alarm acknowledged
    // before, an event of another kind or none stored are not among them).
    static std::vector<std::int64_t> acknowledge(Database& database, const AlarmAck& ack,
                                                 const std::vector<std::int32_t>& kinds);

    // A WHERE text (no keyword) for the open alarms of the kinds in a query
    // of event_info (named so, not aliased); "0" when there are no kinds.
    static std::string openCondition(const std::vector<std::int32_t>& kinds);
    // The same for every event of the kinds, acknowledged or not.
    static std::string kindCondition(const std::vector<std::int32_t>& kinds);
};

} // namespace corvane
