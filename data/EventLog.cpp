#include "data/EventLog.h"

#include "data/BoundedText.h"
#include "data/RowSet.h"

namespace corvane {

EventLog::EventLog() noexcept : AbstractDatabaseRecord(Insert, Event), vehicle_id(UniqueID::zero())
{}

void EventLog::load(const RowSet& row)
{
    const char* address_ = row.getText(1);
    id = row.getInt(0);
    address = address_ != nullptr ? address_ : "";
    setName(row.getText(2));
    setTime(row.getText(3));
    event_type = row.getInt(4);
    setDeviceTitle(row.getText(5));
    vehicle_id = UniqueID(row.getText(6));
}

void EventLog::setName(const char* text) noexcept
{
    copyBounded(name, text);
}

void EventLog::setTime(const char* text) noexcept
{
    copyBounded(time, text);
}

void EventLog::setDeviceTitle(const char* text) noexcept
{
    copyBounded(device_title, text);
}

} // namespace corvane
