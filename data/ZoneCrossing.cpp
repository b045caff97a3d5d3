#include "data/ZoneCrossing.h"

#include "data/RowSet.h"

namespace corvane {

void ZoneCrossing::load(const RowSet& row)
{
    event.vehicle_id = UniqueID(row.getText(0));
    zone_id = row.getInt64(1);
    inside = true;
}

} // namespace corvane
