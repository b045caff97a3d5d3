#pragma once

#include "browser/scriptcalls/PageCall.h"
#include "data/OpenAlarms.h"
#include "data/TrackReplay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class CallbackInfo;
struct GPSReading;
struct TrackPoint;
class UniqueID;
class VehicleInfo;

// A zone as the map page draws it: its stored GeoJSON geometry text (one the
// station watches, so a shape it could read) and its name.
struct ZoneDrawing
{
    std::int64_t id = 0;
    std::string name;
    std::string geometry;
};

// The texts of every call the station makes into the map page, one function
// per page function: the only place a call's text is written. Each returns
// the complete script text (UTF-8), ready for CefClientHandler::executeScript.
//
// Every text argument is quoted and escaped (ScriptLiteral), identifiers,
// times, positions and picture paths included: for the values the station
// produces itself this changes nothing, and a stray apostrophe or line break
// in stored data can neither break a call nor inject script. Nothing is ever
// cut, however long a name or path. The track history's object is JSON
// (JsonText), its keys in alphabetical order.
//
// The shown name of a vehicle is VehicleInfo::displayName().
//
// Pure functions: callable from any thread; throw only std::bad_alloc. The
// caller keeps the records it passes and must keep them from changing during
// the call.
class ScriptCalls
{
public:
    // "setMapSources('%s', '%s', '%s');": the road and satellite tile
    // addresses and the reverse geocoder address; an empty text keeps the
    // page's default. Sent once the page has loaded, before resetTimeout.
    static std::string setMapSources(std::string_view roadTiles, std::string_view satelliteTiles,
                                     std::string_view geocoder);
    // "setStationTiles(%d);": 1 when the road, satellite and offline tiles
    // come through the station's corvane-tile:// scheme, 0 for the page's own
    // addresses.
    static std::string setStationTiles(bool enabled);
    // "setPageSize(%d, %d);"
    static std::string setPageSize(int width, int height);
    // "resetTimeout(%d);" with the time-out in minutes.
    static std::string resetTimeout(int minutes);
    // "sortVehicleList();"
    static std::string sortVehicleList();

    // insertVehicle(isLoaded, latitude, longitude, id, shown name, time)
    static std::string insertVehicle(bool isLoaded, const VehicleInfo& vehicle);
    // insertOptionalInfo(isLoaded, id, shown name, company, maker, model,
    // registration, driver, license)
    static std::string insertOptionalInfo(bool isLoaded, const VehicleInfo& vehicle);
    // insertUserDefinedInfo(id, picture path, info1, info2); the picture path
    // is written with normaliseImagePath applied.
    static std::string insertUserDefinedInfo(const VehicleInfo& vehicle);
    // updateVehicle(latitude, longitude, id, shown name, time)
    static std::string updateVehicle(const PageCall::Position& position);
    // updateVehicleName(id, reported name): the reported name, not the shown one.
    static std::string updateVehicleName(const VehicleInfo& vehicle);
    // updateUserDefinedInfo(id, shown name, info1, info2, picture path)
    static std::string updateUserDefinedInfo(const VehicleInfo& vehicle);
    // updateImgPath(id, picture path)
    static std::string updateImgPath(const VehicleInfo& vehicle);
    // updateOptionalInfo(id, shown name, company, maker, model, registration,
    // driver, license)
    static std::string updateOptionalInfo(const VehicleInfo& vehicle);

    // "moveTo(%f, %f, %f, %d, %d, %d, %f, '%s');" from the fix: latitude and
    // longitude in signed degrees, speed in knots, the fix time's hour,
    // minute and second, the course in degrees (-1 when the sentence has
    // none); then the vehicle's identifier.
    static std::string moveTo(const GPSReading& fix, const UniqueID& id);
    // "addTrackPoints('%s', [%f, %f, ...]);": positions a vehicle passed
    // without its marker being moved there, as latitude, longitude pairs.
    static std::string addTrackPoints(const UniqueID& id, const std::vector<double>& flat);
    // "frameMoves('%s');": the moves of many vehicles in one frame as the
    // JSON text FrameScript writes; the page makes each vehicle's calls.
    static std::string frameMoves(std::string_view gatherings);
    // updateEventInfo(type, name, display time, device title, id) from an alarm
    // event; the caller has already put the vehicle's operator name into it.
    static std::string updateEventInfo(const CallbackInfo& event);
    // "deleteVehicle('%s')" with the identifier text the page sent.
    static std::string deleteVehicle(std::string_view id);

    // "enableTooltip()", "hideTooltip()"
    static std::string enableTooltip();
    static std::string hideTooltip();

    // The settings behind status colours, search and alarm attention:
    //     setLiveSeconds(60);   seconds within which a report counts as live
    //     setAlarmKinds(8192);  event types that call for attention, bit n = type n
    //     setAlarmMuted(0);     1 when the alarm sound is muted
    //     setReportedName('<id>', '<name>');  the recorder's name of a vehicle
    //                           the operator has renamed, for the search
    static std::string setLiveSeconds(int seconds);
    static std::string setAlarmKinds(std::uint32_t mask);
    static std::string setAlarmMuted(bool muted);
    //     setZoneAlarmKinds(4);  the station's own events that call for
    //                           attention: bit 0 Zone enter, 1 Zone exit, 2 Overspeed
    static std::string setZoneAlarmKinds(std::uint32_t mask);
    //     setListLimit(101);    the most vehicles the page lists; sent before
    //                           the vehicles, whom it decides over
    static std::string setListLimit(int vehicles);
    static std::string setReportedName(const VehicleInfo& vehicle);

    // 'showTrackHistory({"id":…,"message":…,"title":…});': a stored track's
    // place taken by a message (loading, nothing in range, an error).
    static std::string showTrackHistory(std::string_view id, std::string_view title,
                                        std::string_view message);
    // 'showTrackHistory({"count":…,"end":{…},"id":…,"points":[…],"start":{…},
    // "title":…});': the drawn samples (indexes into points, in order) as
    // flat latitude, longitude pairs, count samples in range, and start and
    // end marks (lat, lon, time) from the first and last of points, which
    // must not be empty.
    static std::string showTrackHistory(std::string_view id, std::string_view title,
                                        const std::vector<TrackPoint>& points,
                                        const std::vector<std::size_t>& drawn, std::int64_t count);
    // 'setZones([{"geometry":"<GeoJSON text>","id":1,"name":"Depot"}, …]);':
    // every zone the station watches. The geometry travels as a JSON string,
    // never as script, whatever the stored text holds.
    static std::string setZones(const std::vector<ZoneDrawing>& zones);
    // "zoneRefused('%s');": why the zone the operator drew or changed was
    // not stored.
    static std::string zoneRefused(std::string_view reason);
    // 'setOpenAlarms({"alarms":[[id,"<vehicle>",type,"<device title>","<time>"],…],
    // "total":N,"vehicles":[["<vehicle>",count,newestId],…]});': the open
    // alarms, newest first, and the vehicles that have them with their
    // count, newest alarm first; total counts every open alarm.
    static std::string setOpenAlarms(const OpenAlarms::Snapshot& open);
    // "alarmAckRefused('%s');": why an acknowledgement was not stored.
    static std::string alarmAckRefused(std::string_view reason);
    // "showLiveView();"
    static std::string showLiveView();
    // "moveHistoryMarker(%.7f, %.7f, %.1f);": the replay marker's latitude,
    // longitude and course.
    static std::string moveHistoryMarker(const TrackReplay::Position& position);

    // The picture path with every backslash turned into a slash. The main
    // window stores the result back into the record (in memory only) before
    // it sends insertUserDefinedInfo.
    static std::string normaliseImagePath(std::string_view path);
};

} // namespace corvane
