#include "data/GPSDataContainer.h"

#include "data/DBManager.h"
#include "data/GPSData.h"
#include "data/SingletonRegistry.h"

#include <atomic>
#include <mutex>

namespace corvane {

namespace {

std::recursive_mutex g_creationMutex;
std::atomic<GPSDataContainer*> g_instance{nullptr};

} // namespace

GPSDataContainer& GPSDataContainer::getInstance()
{
    return SingletonRegistry::obtain(g_instance, g_creationMutex,
                                     [] { return new GPSDataContainer(); });
}

bool GPSDataContainer::add(const char* time, const UniqueID& vehicleId, const char* sentence)
{
    GPSData record(sentence, vehicleId);
    record.setUpdateTime(time);
    record.operation = AbstractDatabaseRecord::Insert;
    record.recordType = AbstractDatabaseRecord::GPSSample;
    record.id = 0;
    return DBManager::getInstance().enqueue(record);
}

} // namespace corvane
