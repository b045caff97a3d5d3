#include "data/GPSDataContainer.h"

#include "data/DBManager.h"
#include "data/SingletonRegistry.h"

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

void GPSDataContainer::clear()
{
    std::lock_guard lock(m_mutex);
    m_samples.clear();
}

void GPSDataContainer::append(GPSData record)
{
    std::lock_guard lock(m_mutex);
    m_samples.push_back(std::move(record));
}

} // namespace corvane
