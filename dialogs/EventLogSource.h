#pragma once

#include "data/EventPageQuery.h"
#include "dialogs/AlarmKinds.h"

#include <cstddef>
#include <functional>
#include <string>

namespace corvane {

class EventLog;
class VehicleInfo;

// What the event log dialog reads: the vehicles to choose from, the events a
// query loads with their acknowledgements, the names of event codes and the
// kinds of event chosen as alarms. The station's implementation is
// StationEventLogSource (the vehicle container, app.db and setup.db); tests
// provide their own.
//
// Ownership: the source owns the records; visitors get them only for the
// duration of the call. Threads: the main window's thread.
// Throws: queryEvents raises DatabaseException when the query fails; the
// source then holds no usable result (its count is whatever it returned
// before, and the dialog shows nothing); alarmKinds raises it when the
// settings cannot be read. The rest never throws but std::bad_alloc.
class EventLogSource
{
public:
    virtual ~EventLogSource() = default;

    // Calls visit for every known vehicle, deleted ones included, in the
    // store's order, holding the store's lock for the whole walk.
    virtual void forEachVehicle(const std::function<void(const VehicleInfo&)>& visit) = 0;

    // Loads the events that match condition (a WHERE text without the
    // keyword; null: every event) and returns how many were loaded.
    virtual std::size_t queryEvents(const char* condition) = 0;

    // Calls visit for at most limit loaded events, skipping the first skip,
    // in the order the query returned them, each with the operator's
    // acknowledgement or nothing when it has none. A source that reads the
    // page only now raises DatabaseException when that read fails.
    virtual void forEachEvent(std::size_t skip, std::size_t limit, const EventVisitor& visit) = 0;

    // The display name of an event code; empty text for a code without one.
    virtual std::u16string eventName(int code) = 0;

    // The kinds of event the operator chose as alarms, as now set.
    virtual AlarmKinds alarmKinds() = 0;
};

} // namespace corvane
