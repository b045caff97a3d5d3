#pragma once

#include "base/ISingleton.h"

#include <cstdint>

namespace corvane {

class CallbackInfo;
class EventLog;

// The station's events: add() queues a new event for the database writer.
// Nothing is kept here; the event log reads the stored events back through
// DBManager (countEvents, forEachEventPage).
//
// Lifetime: single instance, created by getInstance(), destroyed at exit by
// the singleton registry.
// Threads: any thread; add() holds no lock of its own.
// Throws: std::bad_alloc only.
class EventLogger final : public ISingleton
{
public:
    static EventLogger& getInstance();

    // Queues an insert of the callback's event (its time as display text,
    // address, device title and name cut to 32, type, vehicle id) without
    // waiting. False when the write queue refused it: the event is dropped.
    bool add(const CallbackInfo& info);

    // Queues the same event together with the zone presence it leaves (one
    // ZoneCrossing: both land in one transaction). False as for add().
    bool addCrossing(const CallbackInfo& info, std::int64_t zoneId, bool inside);

private:
    EventLogger() = default;
    static void fill(const CallbackInfo& info, EventLog& record);
};

} // namespace corvane
