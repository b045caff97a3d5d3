#pragma once

#include "data/AlarmAck.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace corvane {

class Database;
class EventLog;

// What reads a page of events is handed: each event with its
// acknowledgement, or nothing when it has none.
using EventVisitor = std::function<void(const EventLog& event, const std::optional<AlarmAck>& ack)>;

// One page of the stored events at a time, straight from event_info: the
// event log never holds more than the page it shows, however many rows the
// table has. Without a condition rows come in their stored order (by id,
// oldest first); a search (the event log's conditions always bound the time)
// comes in time order, ties in stored order, so that the indexes on time
// deliver the page without sorting every match.
//
// A page in the second half of the result is read from its far end (the
// reverse order with the smaller offset) and handed over in stored order, so
// the last page costs what the first does.
//
// Each event comes with its acknowledgement when alarm_ack holds one for it
// (read in the same query: event_info LEFT JOIN alarm_ack), else nothing.
//
// The condition is a WHERE text without the keyword, taken verbatim (the
// event log builds it from dates, an identifier and alarm kinds); null for
// every event. Its columns are event_info's, unqualified (none of them is
// also a column of alarm_ack); it may look into alarm_ack only through a
// subquery of its own, since the count reads event_info alone.
//
// Ownership: borrows the Database. Threads: the caller serialises the
// connection's use around each call (DBManager: its read mutex). Throws: DatabaseException when a
// query fails.
class EventPageQuery
{
public:
    explicit EventPageQuery(Database& database) noexcept : m_database(database) {}

    // "SELECT count(*) FROM event_info [WHERE condition]".
    std::size_t count(const char* condition);

    // Calls visit for at most limit events after the first offset ones, in
    // stored order, each with its acknowledgement or nothing; total is the
    // count() of the same condition.
    void page(const char* condition, std::size_t total, std::size_t offset, std::size_t limit,
              const EventVisitor& visit);

private:
    Database& m_database;
};

} // namespace corvane
