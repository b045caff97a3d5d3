#include "data/TrackQuery.h"

#include "callback/GPSReading.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

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
    // id breaks ties in stored order; the index carries it, so nothing is sorted.
    FormatableSQL sql("SELECT update_time, gps_data FROM gps_data WHERE vehicle_id='%q' AND "
                      "update_time BETWEEN '%q' AND '%q' ORDER BY update_time, id;",
                      vehicleId.c_str(), from.c_str(), to.c_str());
    RowSet rows(database, sql.getText());
    const std::size_t before = points.size();
    TrackPoint point;
    while (rows.next()) {
        const char* time = rows.getText(0);
        const char* sentence = rows.getText(1);
        if (time == nullptr || sentence == nullptr || !parseTrackTime(time, point.time))
            continue;
        if (readSentence(std::string_view(sentence, static_cast<std::size_t>(rows.getBytes(1))),
                         point))
            points.push_back(point);
    }
    return points.size() - before;
}

bool TrackQuery::latestTime(Database& database, const std::string& vehicleId, std::string& latest)
{
    FormatableSQL sql("SELECT MAX(update_time) FROM gps_data WHERE vehicle_id='%q';",
                      vehicleId.c_str());
    RowSet rows(database, sql.getText());
    if (!rows.next() || rows.getText(0) == nullptr)
        return false;
    latest = rows.getText(0);
    return true;
}

} // namespace corvane
