#pragma once

#include <functional>
#include <optional>
#include <string>

namespace corvane {

class EventLog;
class RowSet;

// The operator's acknowledgement of one alarm, as the event log reads it
// beside the event (the alarm_ack row of event_info's id): when
// ("%Y-%m-%d %H:%M:%S", station time), who (the login name) and the note.
// The texts are the operator's, kept as stored and never interpreted.
//
// Ownership and threads: a plain value. Throws: only std::bad_alloc.
class Acknowledgement
{
public:
    // Columns first, first + 1 and first + 2 of the row: acknowledged,
    // operator, note; a NULL reads as the empty text.
    void load(const RowSet& row, int first);

    std::string acknowledged;
    std::string operator_name;
    std::string note;
};

// What reads a page of events is handed: each event with its
// acknowledgement, or nothing when it has none.
using EventVisitor =
    std::function<void(const EventLog& event, const std::optional<Acknowledgement>& ack)>;

} // namespace corvane
