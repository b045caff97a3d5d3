#pragma once

#include "browser/scriptcalls/ScriptCalls.h"
#include "data/ZoneTable.h"
#include "rules/ZoneWatcher.h"

#include <mutex>
#include <string>
#include <vector>

namespace corvane {

class CallbackInfo;
class GPSInfo;
class MapPage;
class StationRecords;

// The station's own events from its zones and speed limits: it reads the
// stored zones into a ZoneWatcher, feeds it each position report that has a
// position, and stores and shows what it raises like a recorder's event
// (type 1000 "Zone enter", 1001 "Zone exit", 1002 "Overspeed", the zone's
// name or the overspeed text as device title, the report's vehicle, sender,
// name and time). An entry or exit is queued with the presence it leaves, in
// one record (StationRecords::addZoneCrossing).
//
// A stored zone that cannot be used (its geometry is no shape, ZoneShapeReader
// says why, or it would pass maxTotalVertices) is left out and traced once per load; so is an
// unusable limit (a text, not more than 0, or above maxLimitKmh), the zone then having none.
//
// Ownership: uses the records store and the sink, owns neither; both must
// outlive it. Threads: any; check() on the callback decider's thread while the
// window loads and replaces the zones, each call under the object's own lock.
// The page calls check() makes go to the page it was given (in the station the
// PageCallRelay, which any thread may call). Throws: std::bad_alloc only.
class ZoneAlarms
{
public:
    static constexpr double maxLimitKmh = 1000;
    // The corners of all zones together: what the zones may cost in memory
    // (about 16 bytes each) whatever the file holds; zones past it are left out.
    static constexpr std::size_t maxTotalVertices = 2000000;

    ZoneAlarms(StationRecords& records, MapPage& page);

    // The zones and presence stored in app.db, and the general limit
    // ("rules/SpeedLimitKmh", km/h, 0: none). Replaces what was there;
    // presence of vehicles in zones not loaded is dropped.
    void load(const std::vector<ZoneTable::StoredZone>& zones,
              const std::vector<ZoneCrossing>& presence, int generalLimitKmh);

    // The zones changed while the station runs (the operator edited them):
    // from the next report on; vehicles keep their presence in the zones
    // still there.
    void replace(const std::vector<ZoneTable::StoredZone>& zones);

    // A position report whose sentence gave a position; shownName is the
    // vehicle's name as its events carry it.
    void check(const CallbackInfo& report, const GPSInfo& gps, const std::string& shownName);

    std::size_t zoneCount() const;
    // The limit outside zones that have one changed (the setup saved it);
    // from the next report on.
    void setGeneralLimit(int kmh);
    // The zones watched, as the map page draws them (the page gets them with
    // the whole state).
    std::vector<ZoneDrawing> drawings() const;

private:
    StationRecords& m_records;
    MapPage& m_page;
    mutable std::mutex m_mutex; // guards everything below
    ZoneWatcher m_watcher;
    std::vector<ZoneEvent> m_events;
    std::vector<ZoneDrawing> m_drawings;
};

} // namespace corvane
