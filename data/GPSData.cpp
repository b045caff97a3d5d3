#include "data/GPSData.h"

#include "data/BoundedText.h"
#include "data/RowSet.h"

namespace corvane {

GPSData::GPSData(const char* sentence) noexcept : AbstractDatabaseRecord(Insert, GPSSample)
{
    setGpsData(sentence);
}

GPSData::GPSData(const char* sentence, const UniqueID& vehicle) noexcept
    : AbstractDatabaseRecord(Insert, GPSSample), vehicle_id(vehicle)
{
    setGpsData(sentence);
}

void GPSData::load(const RowSet& row)
{
    id = row.getInt(0);
    setGpsData(row.getText(1));
    setUpdateTime(row.getText(2));
    vehicle_id = UniqueID(row.getText(3));
}

void GPSData::setGpsData(const char* text) noexcept
{
    copyBounded(gps_data, text);
}

void GPSData::setUpdateTime(const char* text) noexcept
{
    copyBounded(update_time, text);
}

} // namespace corvane
