#pragma once

#include "base/UniqueID.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace corvane {

// One stored alarm nobody has acknowledged yet.
struct OpenAlarm
{
    std::int64_t id = 0; // event_info.id
    UniqueID vehicle_id = UniqueID::zero();
    std::int32_t event_type = 0;
    std::string device_title;
    std::string time; // as stored in event_info
};

// The alarms of app.db that are open: events of the chosen kinds without an
// acknowledgement, as committed. Loaded at open and whenever the kinds
// change (AlarmDesk::loadOpen), then kept by the writer after each commit,
// so that the window reads them without a query and a burst of alarms costs
// it nothing but the copy it takes.
//
// At most maxHeld alarms are held, the newest; those beyond are counted, so
// that the total stays true while a flood of alarms cannot take the memory.
//
// Ownership: owned by DBManager. Threads: any thread; every call takes the
// object's mutex, generation() only reads an atomic. Throws: std::bad_alloc.
class OpenAlarms
{
public:
    static constexpr std::size_t maxHeld = 100000;

    // The event types that count as alarms, sorted, without repeats (as
    // DBManager::setAlarmKinds keeps them).
    void setKinds(std::vector<std::int32_t> kinds);
    std::vector<std::int32_t> kinds() const;

    // All open alarms at once (ascending ids), and how many more the file
    // holds beyond them.
    void replace(std::vector<OpenAlarm> alarms, std::size_t notHeld);
    // One commit's changes: alarms stored and ids acknowledged. Counts as a
    // change even when both are empty (an acknowledgement that found no
    // open alarm): whoever asked then sees the list again.
    void apply(std::vector<OpenAlarm> added, const std::vector<std::int64_t>& acknowledged);

    // Grows with every change; a reader that saw the same number has
    // nothing new to read.
    std::uint64_t generation() const noexcept { return m_generation.load(); }

    // A vehicle's open alarms among those held.
    struct VehicleCount
    {
        UniqueID vehicle = UniqueID::zero();
        std::size_t count = 0;
        std::int64_t newest = 0; // its newest alarm's id
    };
    struct Snapshot
    {
        std::uint64_t generation = 0;
        std::size_t total = 0;             // every open alarm, held or not
        std::vector<OpenAlarm> newest;     // at most limit, newest first
        std::vector<VehicleCount> vehicles; // at most vehicleLimit, newest alarm first
    };
    Snapshot snapshot(std::size_t limit, std::size_t vehicleLimit = 0) const;

private:
    void trim();

    mutable std::mutex m_mutex;
    std::vector<std::int32_t> m_kinds;
    std::map<std::int64_t, OpenAlarm> m_alarms;
    std::size_t m_notHeld = 0;
    std::atomic<std::uint64_t> m_generation{0};
};

} // namespace corvane
