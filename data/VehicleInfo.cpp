#include "data/VehicleInfo.h"

#include "data/RowSet.h"

namespace corvane {

VehicleInfo::VehicleInfo() : AbstractDatabaseRecord(Insert, Vehicle) {}

VehicleInfo::VehicleInfo(const UniqueID& id_) : AbstractDatabaseRecord(Insert, Vehicle), id(id_) {}

void VehicleInfo::load(const RowSet& row)
{
    id = UniqueID(row.getText(0));
    name = row.getTextOrEmpty(1);
    edited_name = row.getTextOrEmpty(2);
    last_updated_time = row.getTextOrEmpty(3);
    last_updated_latitude = row.getTextOrEmpty(4);
    last_updated_longitude = row.getTextOrEmpty(5);
    deleted = row.getInt(6) == 1;
    company = row.getTextOrEmpty(7);
    maker = row.getTextOrEmpty(8);
    model = row.getTextOrEmpty(9);
    registration = row.getTextOrEmpty(10);
    driver = row.getTextOrEmpty(11);
    license = row.getTextOrEmpty(12);
    info1 = row.getTextOrEmpty(13);
    info2 = row.getTextOrEmpty(14);
    image_path = row.getTextOrEmpty(15);
}

} // namespace corvane
