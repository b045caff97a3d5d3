#include "browser/scriptcalls/ScriptCalls.h"

#include "base/FormatableBuffer.h"
#include "browser/scriptcalls/ScriptCall.h"
#include "callback/CallbackInfo.h"
#include "callback/GPSInfo.h"
#include "data/DisplayTime.h"
#include "data/VehicleInfo.h"

#include <algorithm>

namespace corvane {

namespace {

// The arguments insertVehicle and updateVehicle share: latitude, longitude,
// identifier, shown name, time.
ScriptCall& withPosition(ScriptCall& call, const VehicleInfo& vehicle)
{
    return call.text(vehicle.last_updated_latitude)
        .text(vehicle.last_updated_longitude)
        .text(vehicle.id.toText())
        .text(vehicle.displayName())
        .text(vehicle.last_updated_time);
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

std::vector<std::string> ScriptCalls::insertVehicleSequence(bool isLoaded, VehicleInfo& vehicle)
{
    std::vector<std::string> calls;
    calls.push_back(insertVehicle(isLoaded, vehicle));
    calls.push_back(insertOptionalInfo(isLoaded, vehicle));
    if (isLoaded) {
        vehicle.image_path = normaliseImagePath(vehicle.image_path);
        calls.push_back(insertUserDefinedInfo(vehicle));
    }
    return calls;
}

std::string ScriptCalls::setMapSources(std::string_view roadTiles, std::string_view satelliteTiles,
                                       std::string_view geocoder)
{
    return ScriptCall("setMapSources")
        .text(roadTiles)
        .text(satelliteTiles)
        .text(geocoder)
        .finish(";");
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
    return withPosition(call.integer(isLoaded ? 1 : 0), vehicle).finish();
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

std::string ScriptCalls::updateVehicle(const VehicleInfo& vehicle)
{
    ScriptCall call("updateVehicle");
    return withPosition(call, vehicle).finish();
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

std::string ScriptCalls::moveTo(const GPSInfo& gps, const UniqueID& id)
{
    const Time fix = gps.fixTime();
    return ScriptCall("moveTo")
        .real(gps.latitude())
        .real(gps.longitude())
        .real(gps.speed())
        .integer(fix.hour())
        .integer(fix.minute())
        .integer(fix.second())
        .real(gps.course())
        .text(id.toText())
        .finish(";");
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

std::string ScriptCalls::normaliseImagePath(std::string_view path)
{
    std::string normalised(path);
    std::replace(normalised.begin(), normalised.end(), '\\', '/');
    return normalised;
}

} // namespace corvane
