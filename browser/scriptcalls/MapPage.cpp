#include "browser/scriptcalls/MapPage.h"

#include "base/Trace.h"
#include "browser/scriptcalls/PageCallSink.h"
#include "browser/scriptcalls/ScriptCalls.h"
#include "callback/GPSReading.h"
#include "data/VehicleInfo.h"

namespace corvane {

void MapPage::written(std::string text)
{
    m_sink->call(PageCall::written(std::move(text)));
}

void MapPage::setMapSources(std::string_view roadTiles, std::string_view satelliteTiles,
                            std::string_view geocoder)
{
    written(ScriptCalls::setMapSources(roadTiles, satelliteTiles, geocoder));
}

void MapPage::setStationTiles(bool enabled)
{
    written(ScriptCalls::setStationTiles(enabled));
}

void MapPage::setPageSize(int width, int height)
{
    written(ScriptCalls::setPageSize(width, height));
}

void MapPage::resetTimeout(int minutes)
{
    written(ScriptCalls::resetTimeout(minutes));
}

void MapPage::sortVehicleList()
{
    written(ScriptCalls::sortVehicleList());
}

void MapPage::setLiveSeconds(int seconds)
{
    written(ScriptCalls::setLiveSeconds(seconds));
}

void MapPage::setAlarmKinds(std::uint32_t mask)
{
    written(ScriptCalls::setAlarmKinds(mask));
}

void MapPage::setZoneAlarmKinds(std::uint32_t mask)
{
    written(ScriptCalls::setZoneAlarmKinds(mask));
}

void MapPage::setListLimit(int vehicles)
{
    written(ScriptCalls::setListLimit(vehicles));
}

void MapPage::setAlarmMuted(bool muted)
{
    written(ScriptCalls::setAlarmMuted(muted));
}

void MapPage::insertVehicle(bool isLoaded, VehicleInfo& vehicle)
{
    written(ScriptCalls::insertVehicle(isLoaded, vehicle));
    written(ScriptCalls::insertOptionalInfo(isLoaded, vehicle));
    if (isLoaded) {
        vehicle.image_path = ScriptCalls::normaliseImagePath(vehicle.image_path);
        written(ScriptCalls::insertUserDefinedInfo(vehicle));
    }
}

void MapPage::updateVehicle(const VehicleInfo& vehicle)
{
    m_sink->call(PageCall::position(vehicle));
}

void MapPage::updateVehicleName(const VehicleInfo& vehicle)
{
    written(ScriptCalls::updateVehicleName(vehicle));
}

void MapPage::updateUserDefinedInfo(const VehicleInfo& vehicle)
{
    written(ScriptCalls::updateUserDefinedInfo(vehicle));
}

void MapPage::updateImgPath(const VehicleInfo& vehicle)
{
    written(ScriptCalls::updateImgPath(vehicle));
}

void MapPage::updateOptionalInfo(const VehicleInfo& vehicle)
{
    std::string text = ScriptCalls::updateOptionalInfo(vehicle);
    // The details a recorder sent stay in the trace as the page got them.
    traceMessage("%s", text.c_str());
    written(std::move(text));
}

void MapPage::setReportedName(const VehicleInfo& vehicle)
{
    written(ScriptCalls::setReportedName(vehicle));
}

void MapPage::deleteVehicle(std::string_view id)
{
    written(ScriptCalls::deleteVehicle(id));
}

void MapPage::moveTo(const UniqueID& vehicle, const GPSReading& fix)
{
    m_sink->call(PageCall::move(vehicle, fix));
}

void MapPage::updateEventInfo(const CallbackInfo& event)
{
    m_sink->call(PageCall::written(ScriptCalls::updateEventInfo(event), true));
}

void MapPage::enableTooltip()
{
    written(ScriptCalls::enableTooltip());
}

void MapPage::hideTooltip()
{
    written(ScriptCalls::hideTooltip());
}

void MapPage::showTrackHistory(std::string_view id, std::string_view title,
                               std::string_view message)
{
    written(ScriptCalls::showTrackHistory(id, title, message));
}

void MapPage::showTrackHistory(std::string_view id, std::string_view title,
                               const std::vector<TrackPoint>& points,
                               const std::vector<std::size_t>& drawn, std::int64_t count)
{
    written(ScriptCalls::showTrackHistory(id, title, points, drawn, count));
}

void MapPage::setZones(const std::vector<ZoneDrawing>& zones)
{
    written(ScriptCalls::setZones(zones));
}

void MapPage::zoneRefused(std::string_view reason)
{
    written(ScriptCalls::zoneRefused(reason));
}

void MapPage::setOpenAlarms(const OpenAlarms::Snapshot& open)
{
    written(ScriptCalls::setOpenAlarms(open));
}

void MapPage::alarmAckRefused(std::string_view reason)
{
    written(ScriptCalls::alarmAckRefused(reason));
}

void MapPage::showLiveView()
{
    written(ScriptCalls::showLiveView());
}

void MapPage::moveHistoryMarker(const TrackReplay::Position& position)
{
    written(ScriptCalls::moveHistoryMarker(position));
}

} // namespace corvane
