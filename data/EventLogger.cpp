#include "data/EventLogger.h"

#include "base/FormatableBuffer.h"
#include "callback/CallbackInfo.h"
#include "data/DBManager.h"
#include "data/DisplayTime.h"
#include "data/EventLog.h"
#include "data/SingletonRegistry.h"

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
    return DBManager::getInstance().enqueue(record);
}

} // namespace corvane
