#include "dialogs/EventLogRules.h"

#include "base/Date.h"
#include "base/UniqueID.h"
#include "data/AlarmDesk.h"
#include "data/VehicleInfo.h"
#include "dialogs/AlarmKinds.h"

#include <cstdio>

namespace corvane {

void formatEventCondition(FormatableBuffer<eventConditionCapacity>& target, const Date* from,
                          const Date* to, const UniqueID* vehicle, const AlarmKinds* openAlarms)
{
    FormatableBuffer<64> start;
    if (from != nullptr)
        start.format("%d-%02d-%02d 00:00:00", from->year(), from->month(), from->day());
    else
        start.format("1970-01-01 00:00:00");
    FormatableBuffer<64> end;
    if (to != nullptr)
        end.format("%d-%02d-%02d 23:59:59", to->year(), to->month(), to->day());
    else
        end.format("2100-12-31 24:59:59");
    if (vehicle != nullptr) {
        target.format("vehicle_id = '%s' AND time between '%s' AND '%s' ",
                      vehicle->toText().c_str(), start.getText(), end.getText());
    } else {
        target.format("time between '%s' AND '%s' ", start.getText(), end.getText());
    }
    if (openAlarms == nullptr)
        return;
    // What the alarm desk counts as open, so the log and the desk agree.
    target.append("AND %s ", AlarmDesk::openCondition(openAlarms->types()).c_str());
}

std::string vehicleEntryText(const VehicleInfo& vehicle)
{
    if (vehicle.deleted)
        return vehicle.name + " (deleted)";
    return vehicle.displayName();
}

int pageCountFor(std::size_t events) noexcept
{
    const std::size_t pages = (events + eventsPerPage - 1) / eventsPerPage;
    return pages > static_cast<std::size_t>(INT32_MAX / eventsPerPage) ? INT32_MAX / eventsPerPage
                                                                       : static_cast<int>(pages);
}

std::string pageCounterText(int current, int pageCount)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d / %d", current, pageCount == 0 ? 1 : pageCount);
    return text;
}

} // namespace corvane
