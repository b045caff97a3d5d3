#pragma once

#include "data/AlarmAck.h"

#include <QStringList>
#include <optional>

namespace corvane {

class AlarmKinds;
class EventLog;
class EventLogSource;

// The event log's columns: their headings and one event's texts, the same
// for the dialog's list and its CSV export.
//
// "Acknowledged" holds the time text of the operator's acknowledgement, or
// "Open" for an event of a chosen alarm kind that has none; "Operator" and
// "Note" hold the acknowledgement's login name and note. All three are empty
// for any other event. An acknowledgement is shown whenever one is stored,
// even for a kind no longer chosen: the operator did acknowledge it.
//
// Plain functions; the source's thread; throw only std::bad_alloc.
class EventLogColumns
{
public:
    enum Column
    {
        VehicleName,
        DateTime,
        EventType,
        DeviceTitle,
        Acknowledged,
        Operator,
        Note,
        Count
    };

    static QStringList headings();

    // One text per column, in column order.
    static QStringList texts(EventLogSource& source, const AlarmKinds& kinds, const EventLog& event,
                             const std::optional<AlarmAck>& ack);
};

} // namespace corvane
