#pragma once

#include "dialogs/EventLogSource.h"

#include <string>

namespace corvane {

// The event log's data in the running station: the vehicles of
// VehicleInfoContainer, the events of app.db one page at a time (DBManager's
// paged queries: queryEvents counts, forEachEvent reads one page of the last
// condition counted), and the event names of AppConstants. The vehicle walk
// holds the container's mutex; the page queries hold DBManager's read mutex
// (never the writer's database mutex: an export of every event does not
// keep a batch waiting).
//
// Ownership: owns nothing; the singletons outlive every dialog.
// Threads: the main window's thread. Throws: as EventLogSource.
class StationEventLogSource final : public EventLogSource
{
public:
    void forEachVehicle(const std::function<void(const VehicleInfo&)>& visit) override;
    std::size_t queryEvents(const char* condition) override;
    void forEachEvent(std::size_t skip, std::size_t limit,
                      const std::function<void(const EventLog&)>& visit) override;
    std::u16string eventName(int code) override;

private:
    std::string m_condition;
    bool m_hasCondition = false;
    std::size_t m_total = 0;
};

} // namespace corvane
