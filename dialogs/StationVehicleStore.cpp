#include "dialogs/StationVehicleStore.h"

#include "data/VehicleInfoContainer.h"

namespace corvane {

VehicleInfo* StationVehicleStore::find(const UniqueID& id)
{
    return VehicleInfoContainer::getInstance().find(id);
}

bool StationVehicleStore::update(VehicleInfo& vehicle)
{
    return VehicleInfoContainer::getInstance().update(vehicle);
}

std::recursive_mutex& StationVehicleStore::mutex()
{
    return VehicleInfoContainer::getInstance().getMutex();
}

} // namespace corvane
