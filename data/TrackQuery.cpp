#include "data/TrackQuery.h"

#include "callback/AppConstants.h"
#include "callback/DecimalText.h"
#include "data/FormatableSQL.h"
#include "data/RowSet.h"

#include <array>
#include <cmath>

namespace corvane {

namespace {

constexpr int fieldCount = AppConstants::gpsCourseField + 1;

// The fields up to the course, split as GPSInfo splits them; fields the
// sentence lacks stay empty.
std::array<std::string_view, fieldCount> splitFields(std::string_view sentence) noexcept
{
    std::array<std::string_view, fieldCount> fields{};
    std::size_t pos = sentence.find_first_of("$GPRMC");
    pos = pos == std::string_view::npos ? 0 : pos + 1;
    for (int i = 0; i < fieldCount; ++i) {
        std::size_t separator = sentence.find(',', pos);
        if (separator == std::string_view::npos)
            separator = sentence.find('*', pos);
        if (separator == std::string_view::npos) {
            fields[i] = sentence.substr(pos);
            break;
        }
        fields[i] = sentence.substr(pos, separator - pos);
        pos = separator + 1;
    }
    return fields;
}

double degrees(std::string_view value, std::string_view hemisphere, std::string_view negative)
{
    const double x = DecimalText::toDouble(value);
    const double d = std::floor(x / 100.0);
    const double result = d + (x - d * 100.0) / 60.0;
    return hemisphere == negative ? -result : result;
}

} // namespace

bool TrackQuery::readSentence(std::string_view sentence, TrackPoint& point) noexcept
{
    const auto fields = splitFields(sentence);
    const std::string_view latitude = fields[AppConstants::gpsLatitudeField];
    const std::string_view longitude = fields[AppConstants::gpsLongitudeField];
    if (latitude.empty() || longitude.empty())
        return false;
    point.latitude = degrees(latitude, fields[AppConstants::gpsLatitudeHemisphereField], "S");
    point.longitude = degrees(longitude, fields[AppConstants::gpsLongitudeHemisphereField], "W");
    if (!(std::fabs(point.latitude) <= 90.0) || !(std::fabs(point.longitude) <= 180.0))
        return false;
    point.speed = DecimalText::toDouble(fields[AppConstants::gpsSpeedField]);
    const std::string_view course = fields[AppConstants::gpsCourseField];
    point.course = course.empty() ? -1.0 : DecimalText::toDouble(course);
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
