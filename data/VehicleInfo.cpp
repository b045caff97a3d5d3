#include "data/VehicleInfo.h"

#include "data/RowSet.h"

namespace corvane {

namespace {

std::string textOf(const RowSet& row, int column)
{
    const char* text = row.getText(column);
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace

VehicleInfo::VehicleInfo() : AbstractDatabaseRecord(Insert, Vehicle) {}

VehicleInfo::VehicleInfo(const UniqueID& id_) : AbstractDatabaseRecord(Insert, Vehicle), id(id_) {}

void VehicleInfo::load(const RowSet& row)
{
    id = UniqueID(row.getText(0));
    name = textOf(row, 1);
    edited_name = textOf(row, 2);
    last_updated_time = textOf(row, 3);
    last_updated_latitude = textOf(row, 4);
    last_updated_longitude = textOf(row, 5);
    deleted = row.getInt(6) == 1;
    company = textOf(row, 7);
    maker = textOf(row, 8);
    model = textOf(row, 9);
    registration = textOf(row, 10);
    driver = textOf(row, 11);
    license = textOf(row, 12);
    info1 = textOf(row, 13);
    info2 = textOf(row, 14);
    image_path = textOf(row, 15);
}

} // namespace corvane
