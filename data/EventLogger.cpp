#include "data/EventLogger.h"

#include "base/FormatableBuffer.h"
#include "callback/CallbackInfo.h"
#include "data/DBManager.h"
#include "data/DisplayTime.h"
#include "data/EventLog.h"
#include "data/SingletonRegistry.h"
#include "data/ZoneCrossing.h"

#include <atomic>
#include <mutex>

namespace corvane {

namespace {

std::recursive_mutex g_creationMutex;
std::atomic<EventLogger*> g_instance{nullptr};

} // namespace

EventLogger& EventLogger::getInstance()
{
    return SingletonRegistry::obtain(g_instance, g_creationMutex, [] { return new EventLogger(); });
}

bool EventLogger::add(const CallbackInfo& info)
{
    EventLog record;
    fill(info, record);
    return DBManager::getInstance().enqueue(record);
}

bool EventLogger::addCrossing(const CallbackInfo& info, std::int64_t zoneId, bool inside)
{
    ZoneCrossing crossing;
    fill(info, crossing.event);
    crossing.zone_id = zoneId;
    crossing.inside = inside;
    return DBManager::getInstance().enqueue(crossing);
}

void EventLogger::fill(const CallbackInfo& info, EventLog& record)
{
    record.operation = AbstractDatabaseRecord::Insert;
    record.recordType = AbstractDatabaseRecord::Event;
    record.id = 0;
    FormatableBuffer<64> time;
    formatDisplayTime(info.getTime(), time);
    record.setTime(time.getText());
    record.address = info.getAddress();
    record.setDeviceTitle(info.getDeviceTitle().c_str());
    record.setName(info.getName().c_str());
    record.event_type = info.getType();
    record.vehicle_id = info.getId();
}

} // namespace corvane
