#include "browser/scriptcalls/ScriptCalls.h"

#include "base/FormatableBuffer.h"
#include "browser/scriptcalls/JsonText.h"
#include "browser/scriptcalls/ScriptCall.h"
#include "callback/CallbackInfo.h"
#include "callback/GPSReading.h"
#include "data/DisplayTime.h"
#include "data/TrackPoint.h"
#include "data/VehicleInfo.h"

#include <algorithm>

namespace corvane {

namespace {

// The arguments insertVehicle and updateVehicle share: latitude, longitude,
// identifier, shown name, time.
ScriptCall& withPosition(ScriptCall& call, std::string_view latitude, std::string_view longitude,
                         const UniqueID& id, std::string_view shownName, std::string_view time)
{
    return call.text(latitude).text(longitude).text(id.toText()).text(shownName).text(time);
}

// The arguments insertOptionalInfo and updateOptionalInfo share: identifier,
// shown name and the six details.
ScriptCall& withDetails(ScriptCall& call, const VehicleInfo& vehicle)
{
    return call.text(vehicle.id.toText())
        .text(vehicle.displayName())
        .text(vehicle.company)
        .text(vehicle.maker)
        .text(vehicle.model)
        .text(vehicle.registration)
        .text(vehicle.driver)
        .text(vehicle.license);
}

} // namespace

std::string ScriptCalls::setMapSources(std::string_view roadTiles, std::string_view satelliteTiles,
                                       std::string_view geocoder)
{
    return ScriptCall("setMapSources")
        .text(roadTiles)
        .text(satelliteTiles)
        .text(geocoder)
        .finish(";");
}

std::string ScriptCalls::setStationTiles(bool enabled)
{
    return ScriptCall("setStationTiles").integer(enabled ? 1 : 0).finish(";");
}

std::string ScriptCalls::setPageSize(int width, int height)
{
    return ScriptCall("setPageSize").integer(width).integer(height).finish(";");
}

std::string ScriptCalls::resetTimeout(int minutes)
{
    return ScriptCall("resetTimeout").integer(minutes).finish(";");
}

std::string ScriptCalls::sortVehicleList()
{
    return ScriptCall("sortVehicleList").finish(";");
}

std::string ScriptCalls::insertVehicle(bool isLoaded, const VehicleInfo& vehicle)
{
    ScriptCall call("insertVehicle");
    return withPosition(call.integer(isLoaded ? 1 : 0), vehicle.last_updated_latitude,
                        vehicle.last_updated_longitude, vehicle.id, vehicle.displayName(),
                        vehicle.last_updated_time)
        .finish();
}

std::string ScriptCalls::insertOptionalInfo(bool isLoaded, const VehicleInfo& vehicle)
{
    ScriptCall call("insertOptionalInfo");
    return withDetails(call.integer(isLoaded ? 1 : 0), vehicle).finish();
}

std::string ScriptCalls::insertUserDefinedInfo(const VehicleInfo& vehicle)
{
    return ScriptCall("insertUserDefinedInfo")
        .text(vehicle.id.toText())
        .text(normaliseImagePath(vehicle.image_path))
        .text(vehicle.info1)
        .text(vehicle.info2)
        .finish();
}

std::string ScriptCalls::updateVehicle(const PageCall::Position& position)
{
    ScriptCall call("updateVehicle");
    return withPosition(call, position.latitude, position.longitude, position.vehicle,
                        position.shownName, position.time)
        .finish();
}

std::string ScriptCalls::updateVehicleName(const VehicleInfo& vehicle)
{
    return ScriptCall("updateVehicleName").text(vehicle.id.toText()).text(vehicle.name).finish();
}

std::string ScriptCalls::updateUserDefinedInfo(const VehicleInfo& vehicle)
{
    return ScriptCall("updateUserDefinedInfo")
        .text(vehicle.id.toText())
        .text(vehicle.displayName())
        .text(vehicle.info1)
        .text(vehicle.info2)
        .text(vehicle.image_path)
        .finish();
}

std::string ScriptCalls::updateImgPath(const VehicleInfo& vehicle)
{
    return ScriptCall("updateImgPath").text(vehicle.id.toText()).text(vehicle.image_path).finish();
}

std::string ScriptCalls::updateOptionalInfo(const VehicleInfo& vehicle)
{
    ScriptCall call("updateOptionalInfo");
    return withDetails(call, vehicle).finish();
}

std::string ScriptCalls::moveTo(const GPSReading& fix, const UniqueID& id)
{
    return ScriptCall("moveTo")
        .real(fix.latitude)
        .real(fix.longitude)
        .real(fix.speed)
        .integer(fix.fixTime.hour())
        .integer(fix.fixTime.minute())
        .integer(fix.fixTime.second())
        .real(fix.course)
        .text(id.toText())
        .finish(";");
}

std::string ScriptCalls::frameMoves(std::string_view gatherings)
{
    return ScriptCall("frameMoves").text(gatherings).finish(";");
}

std::string ScriptCalls::addTrackPoints(const UniqueID& id, const std::vector<double>& flat)
{
    // The same six decimals as moveTo's, so a point drawn here lies where
    // the move would have put it.
    return ScriptCall("addTrackPoints").text(id.toText()).reals(flat).finish(";");
}

std::string ScriptCalls::updateEventInfo(const CallbackInfo& event)
{
    FormatableBuffer<64> time;
    formatDisplayTime(event.getTime(), time);
    return ScriptCall("updateEventInfo")
        .integer(event.getType())
        .text(event.getName())
        .text(time.getText())
        .text(event.getDeviceTitle())
        .text(event.getId().toText())
        .finish();
}

std::string ScriptCalls::deleteVehicle(std::string_view id)
{
    return ScriptCall("deleteVehicle").text(id).finish();
}

std::string ScriptCalls::enableTooltip()
{
    return ScriptCall("enableTooltip").finish();
}

std::string ScriptCalls::hideTooltip()
{
    return ScriptCall("hideTooltip").finish();
}

std::string ScriptCalls::setLiveSeconds(int seconds)
{
    return ScriptCall("setLiveSeconds").integer(seconds).finish(";");
}

std::string ScriptCalls::setAlarmKinds(std::uint32_t mask)
{
    return ScriptCall("setAlarmKinds").integer(mask).finish(";");
}

std::string ScriptCalls::setZoneAlarmKinds(std::uint32_t mask)
{
    return ScriptCall("setZoneAlarmKinds").integer(mask).finish(";");
}

std::string ScriptCalls::setListLimit(int vehicles)
{
    return ScriptCall("setListLimit").integer(vehicles).finish(";");
}

std::string ScriptCalls::setAlarmMuted(bool muted)
{
    return ScriptCall("setAlarmMuted").integer(muted ? 1 : 0).finish(";");
}

std::string ScriptCalls::setReportedName(const VehicleInfo& vehicle)
{
    return ScriptCall("setReportedName").text(vehicle.id.toText()).text(vehicle.name).finish(";");
}

std::string ScriptCalls::showTrackHistory(std::string_view id, std::string_view title,
                                          std::string_view message)
{
    JsonText track;
    track.beginObject().key("id").string(id).key("message").string(message).key("title").string(
        title);
    return ScriptCall("showTrackHistory").raw(track.endObject().finish()).finish(";");
}

namespace {

void endMark(JsonText& json, const TrackPoint& point)
{
    json.beginObject()
        .key("lat")
        .number(point.latitude)
        .key("lon")
        .number(point.longitude)
        .key("time")
        .string(formatTrackTime(point.time))
        .endObject();
}

} // namespace

std::string ScriptCalls::showTrackHistory(std::string_view id, std::string_view title,
                                          const std::vector<TrackPoint>& points,
                                          const std::vector<std::size_t>& drawn, std::int64_t count)
{
    JsonText track;
    track.beginObject().key("count").integer(count).key("end");
    endMark(track, points.back());
    track.key("id").string(id).key("points").beginArray();
    for (const std::size_t i : drawn)
        track.number(points[i].latitude).number(points[i].longitude);
    track.endArray().key("start");
    endMark(track, points.front());
    track.key("title").string(title).endObject();
    return ScriptCall("showTrackHistory").raw(track.finish()).finish(";");
}

std::string ScriptCalls::setZones(const std::vector<ZoneDrawing>& zones)
{
    JsonText list;
    list.beginArray();
    for (const ZoneDrawing& zone : zones)
        list.beginObject()
            .key("geometry")
            .string(zone.geometry)
            .key("id")
            .integer(zone.id)
            .key("name")
            .string(zone.name)
            .endObject();
    return ScriptCall("setZones").raw(list.endArray().finish()).finish(";");
}

std::string ScriptCalls::zoneRefused(std::string_view reason)
{
    return ScriptCall("zoneRefused").text(reason).finish(";");
}

std::string ScriptCalls::setOpenAlarms(const OpenAlarms::Snapshot& open)
{
    JsonText list;
    list.beginObject().key("alarms").beginArray();
    for (const OpenAlarm& alarm : open.newest)
        list.beginArray()
            .integer(alarm.id)
            .string(alarm.vehicle_id.toText())
            .integer(alarm.event_type)
            .string(alarm.device_title)
            .string(alarm.time)
            .endArray();
    list.endArray().key("total").integer(static_cast<std::int64_t>(open.total));
    list.key("vehicles").beginArray();
    for (const OpenAlarms::VehicleCount& vehicle : open.vehicles)
        list.beginArray()
            .string(vehicle.vehicle.toText())
            .integer(static_cast<std::int64_t>(vehicle.count))
            .integer(vehicle.newest)
            .endArray();
    list.endArray().endObject();
    return ScriptCall("setOpenAlarms").raw(list.finish()).finish(";");
}

std::string ScriptCalls::alarmAckRefused(std::string_view reason)
{
    return ScriptCall("alarmAckRefused").text(reason).finish(";");
}

std::string ScriptCalls::showLiveView()
{
    return ScriptCall("showLiveView").finish(";");
}

std::string ScriptCalls::moveHistoryMarker(const TrackReplay::Position& position)
{
    return ScriptCall("moveHistoryMarker")
        .real(position.latitude, 7)
        .real(position.longitude, 7)
        .real(position.course, 1)
        .finish(";");
}

std::string ScriptCalls::normaliseImagePath(std::string_view path)
{
    std::string normalised(path);
    std::replace(normalised.begin(), normalised.end(), '\\', '/');
    return normalised;
}

} // namespace corvane
