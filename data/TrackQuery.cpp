#include "data/TrackQuery.h"

#include "callback/GPSReading.h"
#include "data/RowSet.h"
#include "data/TrackIndex.h"

namespace corvane {

bool TrackQuery::readSentence(std::string_view sentence, TrackPoint& point) noexcept
{
    const GPSReading reading = GPSReading::read(sentence);
    if (!reading.hasPosition)
        return false;
    point.latitude = reading.latitude;
    point.longitude = reading.longitude;
    point.speed = reading.speed;
    point.course = reading.course;
    return true;
}

std::size_t TrackQuery::load(Database& database, const std::string& vehicleId,
                             const std::string& from, const std::string& to,
                             std::vector<TrackPoint>& points)
{
    // id breaks ties in stored order.
    const std::string sql = TrackIndex::rowsSql(vehicleId, from, to) + " ORDER BY 1, 2;";
    RowSet rows(database, sql.c_str());
    const std::size_t before = points.size();
    TrackPoint point;
    while (rows.next()) {
        const char* time = rows.getText(0);
        const char* sentence = rows.getText(2);
        if (time == nullptr || sentence == nullptr || !parseTrackTime(time, point.time))
            continue;
        if (readSentence(std::string_view(sentence, static_cast<std::size_t>(rows.getBytes(2))),
                         point))
            points.push_back(point);
    }
    return points.size() - before;
}

bool TrackQuery::latestTime(Database& database, const std::string& vehicleId, std::string& latest)
{
    RowSet rows(database, TrackIndex::latestSql(vehicleId).c_str());
    if (!rows.next() || rows.getText(0) == nullptr)
        return false;
    latest = rows.getText(0);
    return true;
}

} // namespace corvane
