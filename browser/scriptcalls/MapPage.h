#pragma once

#include "data/OpenAlarms.h"
#include "data/TrackReplay.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class CallbackInfo;
class PageCallSink;
struct GPSReading;
struct TrackPoint;
class UniqueID;
class VehicleInfo;
struct ZoneDrawing;

// The station's road to the map page: one method per page function, taking
// the station's values (a vehicle, a fix, an event, a track), never texts.
// Each call becomes one PageCall for the sink: a move and a listed position
// as values, which the window's frame merges; any other call written once
// by ScriptCalls, which says what each page function gets.
//
// Ownership: a small value borrowing the sink, which must outlive it.
// Threads: the sink's (the window's: its GUI thread). The caller keeps the
// records it passes from changing during a call. Throws: std::bad_alloc only.
class MapPage
{
public:
    explicit MapPage(PageCallSink& sink) : m_sink(&sink) {}

    void setMapSources(std::string_view roadTiles, std::string_view satelliteTiles,
                       std::string_view geocoder);
    void setStationTiles(bool enabled);
    void setPageSize(int width, int height);
    void resetTimeout(int minutes);
    void sortVehicleList();
    void setLiveSeconds(int seconds);
    void setAlarmKinds(std::uint32_t mask);
    void setAlarmMuted(bool muted);
    void setZoneAlarmKinds(std::uint32_t mask);
    // The most vehicles the page lists (listLimitRule); it decides over the
    // vehicles inserted after it, so it goes before them.
    void setListLimit(int vehicles);

    // A vehicle for the list and the map: insertVehicle, then
    // insertOptionalInfo with the same is-loaded value and, when isLoaded,
    // insertUserDefinedInfo, before which the record's image_path is
    // normalised in place (in memory only; the caller decides whether to
    // store it).
    void insertVehicle(bool isLoaded, VehicleInfo& vehicle);
    // The vehicle's list row: its last position, shown name and time.
    void updateVehicle(const VehicleInfo& vehicle);
    void updateVehicleName(const VehicleInfo& vehicle);
    void updateUserDefinedInfo(const VehicleInfo& vehicle);
    void updateImgPath(const VehicleInfo& vehicle);
    // Also traced (traceMessage), as a record of the details received.
    void updateOptionalInfo(const VehicleInfo& vehicle);
    void setReportedName(const VehicleInfo& vehicle);
    void deleteVehicle(std::string_view id);
    // The vehicle's marker to a fix that has a position.
    void moveTo(const UniqueID& vehicle, const GPSReading& fix);
    void updateEventInfo(const CallbackInfo& event);
    void enableTooltip();
    void hideTooltip();

    // A stored track's place taken by a message.
    void showTrackHistory(std::string_view id, std::string_view title, std::string_view message);
    // A stored track: the drawn samples (indexes into points), count samples
    // in range; points must not be empty.
    void showTrackHistory(std::string_view id, std::string_view title,
                          const std::vector<TrackPoint>& points,
                          const std::vector<std::size_t>& drawn, std::int64_t count);
    void showLiveView();
    // The open alarms for the alarm desk.
    void setOpenAlarms(const OpenAlarms::Snapshot& open);
    // Why the operator's acknowledgement was not stored.
    void alarmAckRefused(std::string_view reason);
    // Every zone the station watches, drawn under the vehicles.
    void setZones(const std::vector<ZoneDrawing>& zones);
    // Why a zone edit of the operator's was not stored.
    void zoneRefused(std::string_view reason);
    void moveHistoryMarker(const TrackReplay::Position& position);

private:
    void written(std::string text);

    PageCallSink* m_sink;
};

} // namespace corvane
