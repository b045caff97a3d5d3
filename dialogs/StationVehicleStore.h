#pragma once

#include "dialogs/VehicleStore.h"

namespace corvane {

// The vehicle editor's records in the running station: VehicleInfoContainer,
// whose update queues the write for DBManager's writer.
//
// Ownership: owns nothing; the container outlives every dialog.
// Threads: the main window's thread. Throws: as VehicleStore.
class StationVehicleStore final : public VehicleStore
{
public:
    VehicleInfo* find(const UniqueID& id) override;
    bool update(VehicleInfo& vehicle) override;
    std::recursive_mutex& mutex() override;
};

} // namespace corvane
