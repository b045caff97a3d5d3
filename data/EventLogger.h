#pragma once

#include "base/ISingleton.h"

namespace corvane {

class CallbackInfo;

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

private:
    EventLogger() = default;
};

} // namespace corvane
