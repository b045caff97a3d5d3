#pragma once

#include "base/ISingleton.h"
#include "data/EventLog.h"

#include <mutex>
#include <vector>

namespace corvane {

class CallbackInfo;

// The station's events: add() queues a new event for the database writer;
// the list holds only the result of the last DBManager::queryEvents, in the
// order its rows came, until the next query replaces it.
//
// Lifetime: single instance, created by getInstance(), destroyed at exit by
// the singleton registry.
// Threads: any thread. The mutex is recursive and guards the list; callers
// that walk the list hold it for the whole walk. Lock order: the database
// mutex (DBManager) before this one.
// Throws: std::bad_alloc only.
class EventLogger final : public ISingleton
{
public:
    using List = std::vector<EventLog>;

    static EventLogger& getInstance();

    std::recursive_mutex& getMutex() noexcept { return m_mutex; }
    // Hold getMutex() while using the list.
    List& getList() noexcept { return m_events; }

    // Queues an insert of the callback's event (its time as display text,
    // address, device title and name cut to 32, type, vehicle id) without
    // waiting. False when the write queue refused it: the event is dropped.
    // The list is not touched.
    bool add(const CallbackInfo& info);

    // Empties the list. DBManager's loader calls it with the mutex held.
    void clear();
    // Appends one loaded record; for DBManager's loader.
    void append(EventLog record);

private:
    EventLogger() = default;

    std::recursive_mutex m_mutex;
    List m_events;
};

} // namespace corvane
