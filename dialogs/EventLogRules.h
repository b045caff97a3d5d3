#pragma once

#include "base/FormatableBuffer.h"

#include <cstddef>
#include <string>

namespace corvane {

class AlarmKinds;
class Date;
class UniqueID;
class VehicleInfo;

// The texts of the event log dialog, kept apart from the widgets.
//
// Threads: any. Throws: never but std::bad_alloc.

// Rows shown on one page of the event list.
inline constexpr int eventsPerPage = 100;

// The WHERE condition of a search: the events between the start of the
// from-date and the end of the to-date (open ends reach 1970-01-01 00:00:00
// and 2100-12-31 24:59:59), of one vehicle when vehicle is not null, and
// when openAlarms is not null only the open alarms of those kinds
// (AlarmDesk::openCondition: no row in alarm_ack): none at all when no kind
// is chosen. The longest condition has 266 characters and fits the buffer
// whole.
inline constexpr int eventConditionCapacity = 1024;
void formatEventCondition(FormatableBuffer<eventConditionCapacity>& target, const Date* from,
                          const Date* to, const UniqueID* vehicle,
                          const AlarmKinds* openAlarms = nullptr);

// The vehicle choice's text: "name (deleted)" for a deleted vehicle (its
// reported name), else the shown name.
std::string vehicleEntryText(const VehicleInfo& vehicle);

// Pages needed for this many events; 0 when there are none.
int pageCountFor(std::size_t events) noexcept;

// "current / count", with 1 in place of a count of 0.
std::string pageCounterText(int current, int pageCount);

} // namespace corvane
