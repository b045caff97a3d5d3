#include "data/VehicleInfoContainer.h"

#include "data/DBManager.h"
#include "data/SingletonRegistry.h"

namespace corvane {

namespace {

std::recursive_mutex g_creationMutex;
std::atomic<VehicleInfoContainer*> g_instance{nullptr};

} // namespace

VehicleInfoContainer& VehicleInfoContainer::getInstance()
{
    return SingletonRegistry::obtain(g_instance, g_creationMutex,
                                     [] { return new VehicleInfoContainer(); });
}

std::unique_ptr<VehicleInfo> VehicleInfoContainer::create(const UniqueID& id, const char* name,
                                                          const char* time)
{
    auto record = std::make_unique<VehicleInfo>(id);
    record->name = name != nullptr ? name : "";
    record->last_updated_time = time != nullptr ? time : "";
    return record;
}

VehicleInfo* VehicleInfoContainer::find(const UniqueID& id)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_vehicles.find(id);
    return found != m_vehicles.end() ? found->second.get() : nullptr;
}

bool VehicleInfoContainer::insert(std::unique_ptr<VehicleInfo> record)
{
    if (record == nullptr)
        return false;
    std::lock_guard lock(m_mutex);
    record->operation = AbstractDatabaseRecord::Insert;
    record->recordType = AbstractDatabaseRecord::Vehicle;
    const bool queued = DBManager::getInstance().enqueue(*record);
    const UniqueID id = record->id;
    m_vehicles.try_emplace(id, std::move(record));
    return queued;
}

bool VehicleInfoContainer::update(VehicleInfo& record)
{
    // The stamp is written under the mutex: the record is usually the stored
    // one, which other threads may be queueing at the same moment.
    std::lock_guard lock(m_mutex);
    record.operation = AbstractDatabaseRecord::Update;
    record.recordType = AbstractDatabaseRecord::Vehicle;
    const bool queued = DBManager::getInstance().enqueue(record);
    const auto found = m_vehicles.find(record.id);
    if (found != m_vehicles.end() && found->second.get() != &record)
        *found->second = record;
    return queued;
}

void VehicleInfoContainer::clear()
{
    std::lock_guard lock(m_mutex);
    m_vehicles.clear();
}

void VehicleInfoContainer::addLoaded(std::unique_ptr<VehicleInfo> record)
{
    std::lock_guard lock(m_mutex);
    const UniqueID id = record->id;
    m_vehicles.try_emplace(id, std::move(record));
}

} // namespace corvane
