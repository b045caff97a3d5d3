#pragma once

#include "dialogs/EventLogSource.h"

namespace corvane {

// The event log's data in the running station: the vehicles of
// VehicleInfoContainer, the events DBManager loads into EventLogger, and the
// event names of AppConstants. Each walk holds its container's mutex;
// queryEvents holds EventLogger's mutex around the query (the database mutex
// is taken inside it, which keeps the order database, then container, for
// every other thread: the writer takes no container mutex).
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
};

} // namespace corvane
