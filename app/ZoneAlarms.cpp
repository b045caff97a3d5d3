#include "app/ZoneAlarms.h"

#include "app/StationRecords.h"
#include "base/Trace.h"
#include "browser/scriptcalls/MapPage.h"
#include "callback/AppConstants.h"
#include "callback/CallbackInfo.h"
#include "callback/GPSInfo.h"
#include "data/EventLog.h"
#include "rules/ZoneShapeReader.h"

#include <cmath>

namespace corvane {

static_assert(ZoneWatcher::enterType == AppConstants::firstStationEventCode &&
                  ZoneWatcher::exitType == AppConstants::firstStationEventCode + 1 &&
                  ZoneWatcher::overspeedType == AppConstants::firstStationEventCode + 2,
              "the watcher's event codes are the ones the station names");
static_assert(ZoneTable::maxGeometryBytes == ZoneShapeReader::maxTextBytes,
              "what is not read from the file would be refused anyway");
static_assert(ZoneWatcher::maxTitle == EventLog::deviceTitleCapacity,
              "an overspeed title fits the stored device title whole");

namespace {

// The zones the watcher can use, and the page's drawing of each.
std::vector<WatchedZone> watched(const std::vector<ZoneTable::StoredZone>& zones,
                                 std::vector<ZoneDrawing>& drawings)
{
    drawings.clear();
    std::vector<WatchedZone> result;
    if (zones.size() >= ZoneTable::maxZones)
        traceMessage("only the first %d zones are watched", static_cast<int>(ZoneTable::maxZones));
    std::size_t vertices = 0;
    for (const ZoneTable::StoredZone& stored : zones) {
        std::string reason =
            "longer than " + std::to_string(ZoneTable::maxGeometryBytes) + " bytes";
        std::optional<ZoneShape> shape;
        if (!stored.geometryTooLong)
            shape = ZoneShapeReader::read(stored.geometry, reason);
        if (shape && vertices + shape->vertexCount() > ZoneAlarms::maxTotalVertices) {
            shape.reset();
            reason = "past the " + std::to_string(ZoneAlarms::maxTotalVertices) +
                     " corners of all zones together";
        }
        if (shape)
            vertices += shape->vertexCount();
        if (!shape) {
            traceMessage("zone %lld \"%s\" is left out: its geometry is %s",
                         static_cast<long long>(stored.id), stored.name.c_str(), reason.c_str());
            continue;
        }
        double limit = 0;
        if (stored.unreadableLimit)
            traceMessage("zone %lld \"%s\" has no speed limit: \"%s\" is no number",
                         static_cast<long long>(stored.id), stored.name.c_str(),
                         stored.unreadableLimit->c_str());
        else if (stored.speedLimit) {
            const double given = *stored.speedLimit;
            if (given > 0 && given <= ZoneAlarms::maxLimitKmh)
                limit = given;
            else
                traceMessage("zone %lld \"%s\" has no speed limit: %g km/h is not more than 0 "
                             "and at most %g",
                             static_cast<long long>(stored.id), stored.name.c_str(), given,
                             ZoneAlarms::maxLimitKmh);
        }
        result.push_back({stored.id, stored.name, std::move(*shape), limit});
        drawings.push_back({stored.id, stored.name, stored.geometry});
    }
    return result;
}

} // namespace

ZoneAlarms::ZoneAlarms(StationRecords& records, MapPage& page) : m_records(records), m_page(page) {}

void ZoneAlarms::load(const std::vector<ZoneTable::StoredZone>& zones,
                      const std::vector<ZoneCrossing>& presence, int generalLimitKmh)
{
    std::lock_guard lock(m_mutex);
    m_watcher = ZoneWatcher();
    m_watcher.setGeneralLimit(generalLimitKmh);
    m_watcher.replaceZones(watched(zones, m_drawings));
    for (const ZoneCrossing& inside : presence)
        m_watcher.restoreInside(inside.event.vehicle_id, inside.zone_id);
}

void ZoneAlarms::replace(const std::vector<ZoneTable::StoredZone>& zones)
{
    std::lock_guard lock(m_mutex);
    m_watcher.replaceZones(watched(zones, m_drawings));
}

void ZoneAlarms::check(const CallbackInfo& report, const GPSInfo& gps, const std::string& shownName)
{
    const Time fixTime = gps.fixTime();
    int second = -1;
    if (fixTime.isSet() && fixTime.hour() >= 0 && fixTime.hour() < 24 && fixTime.minute() >= 0 &&
        fixTime.minute() < 60 && fixTime.second() >= 0 && fixTime.second() < 60)
        second = fixTime.hour() * 3600 + fixTime.minute() * 60 + fixTime.second();
    std::lock_guard lock(m_mutex);
    m_events.clear();
    m_watcher.check({report.getId(), gps.latitude(), gps.longitude(), gps.speed(), second},
                    m_events);
    for (const ZoneEvent& raised : m_events) {
        CallbackInfo event(report);
        event.setType(raised.type);
        event.setDeviceTitle(raised.title);
        event.setName(shownName);
        event.setGpsData({});
        const bool queued = raised.type == ZoneWatcher::overspeedType
                                ? m_records.addEvent(event)
                                : m_records.addZoneCrossing(event, raised.zoneId, raised.inside);
        if (!queued)
            traceMessage("INSERT FALSE");
        m_page.updateEventInfo(event);
    }
}

std::size_t ZoneAlarms::zoneCount() const
{
    std::lock_guard lock(m_mutex);
    return m_watcher.zoneCount();
}

void ZoneAlarms::setGeneralLimit(int kmh)
{
    std::lock_guard lock(m_mutex);
    m_watcher.setGeneralLimit(kmh);
}

std::vector<ZoneDrawing> ZoneAlarms::drawings() const
{
    std::lock_guard lock(m_mutex);
    return m_drawings;
}

} // namespace corvane
