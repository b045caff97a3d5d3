#pragma once

#include "dialogs/EventLogSource.h"

#include <string>

namespace corvane {

// The event log's data in the running station: the vehicles of
// VehicleInfoContainer, the events of app.db one page at a time (DBManager's
// paged queries: queryEvents counts, forEachEvent reads one page of the last
// condition counted, with the acknowledgements), the event names of
// AppConstants, and the alarm kinds of setup.db through Setup
// ("page/AlarmKinds" and "page/ZoneAlarmKinds", as the main window reads
// them: a missing key gets its default stored). The vehicle walk holds the
// container's mutex; the page queries hold DBManager's read mutex (never the
// writer's database mutex: an export of every event does not keep a batch
// waiting); the settings reads hold Setup's mutex.
//
// Ownership: owns nothing; the singletons outlive every dialog.
// Threads: the main window's thread. Throws: as EventLogSource.
class StationEventLogSource final : public EventLogSource
{
public:
    void forEachVehicle(const std::function<void(const VehicleInfo&)>& visit) override;
    std::size_t queryEvents(const char* condition) override;
    void forEachEvent(std::size_t skip, std::size_t limit, const EventVisitor& visit) override;
    std::u16string eventName(int code) override;
    AlarmKinds alarmKinds() override;

private:
    std::string m_condition;
    bool m_hasCondition = false;
    std::size_t m_total = 0;
};

} // namespace corvane
