#pragma once

#include "base/UniqueID.h"
#include "rules/ZoneIndex.h"
#include "rules/ZoneShape.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace corvane {

// One zone as the watcher checks it.
struct WatchedZone
{
    std::int64_t id = 0;
    std::string name;
    ZoneShape shape;
    double speedLimitKmh = 0; // 0: none
};

// One vehicle's position report, as the strict reading of its sentence gave it.
struct ZoneFix
{
    UniqueID vehicle;
    double latitude = 0;
    double longitude = 0;
    double speedKnots = 0;
    int fixSecond = -1; // second of the UTC day of the fix; -1 when unknown
};

// What a position report raised.
struct ZoneEvent
{
    int type = 0; // enterType, exitType or overspeedType
    std::int64_t zoneId =
        0; // the zone entered, left or whose limit was passed; 0 for the general limit
    bool inside = false; // enter: true; exit: false; overspeed: the vehicle's presence is unchanged
    std::string title;   // the event's device title
};

// Decides, one position report at a time, which vehicle enters or leaves
// which zone and which one drives too fast.
//
// Enter and exit: a vehicle is in a zone from the first report inside it
// (ZoneShape: edges count as inside) to the first report outside; each
// change is one event titled with the zone's name, exits before entries.
// Overspeed: the limit is the lowest speed limit of the zones the vehicle is
// in, or the general limit outside every zone with a limit (0: none). The
// speed (knots, converted to km/h and rounded to whole km/h, the figure the
// title shows) is above it when it is more; once it has been above for more
// than overspeedSeconds of the recorder's fix times in a row, one event,
// titled overspeedTitle(); the next only after a report at or under the
// limit. Fix times wrap at midnight. A report whose fix time is earlier
// than the vehicle's last one (by up to twelve hours: a datagram overtaken
// on its way) is older news and changes nothing; a report without a fix
// time changes the zones but adds no time to a run.
//
// Ownership: owns the zones, the index and each vehicle's state.
// Threads: one thread (the station's main window); no lock. Throws:
// std::bad_alloc only.
class ZoneWatcher
{
public:
    static constexpr int enterType = 1000;
    static constexpr int exitType = 1001;
    static constexpr int overspeedType = 1002;
    static constexpr int overspeedSeconds = 10;
    static constexpr double kmhPerKnot = 1.852;

    // The zones from the next report on; vehicles keep their presence in the
    // zones that are still there (by id) and lose it in the others without
    // an event. Zones with the same id: the first counts.
    void replaceZones(std::vector<WatchedZone> zones);
    // The limit outside every zone with a limit, km/h; 0 (the default): none.
    void setGeneralLimit(double kmh) noexcept { m_generalLimit = kmh; }
    // A vehicle known to be in a zone (from before a restart): no entry is
    // raised for it. Zones not known by then are ignored.
    void restoreInside(const UniqueID& vehicle, std::int64_t zoneId);

    // Appends what this report raises to `out`.
    void check(const ZoneFix& fix, std::vector<ZoneEvent>& out);

    // "Depot 72 km/h > 50 km/h": the zone's name (empty outside zones, and
    // then no blank before the speed), the speed and the limit. The name is
    // cut, at a character's boundary, so that the whole text fits maxTitle
    // bytes and the figures are never cut away.
    static std::string overspeedTitle(const std::string& zoneName, long speedKmh, double limitKmh,
                                      std::size_t maxTitle);
    // The device title's capacity in the event table.
    static constexpr std::size_t maxTitle = 32;

    std::size_t zoneCount() const noexcept { return m_zones.size(); }

private:
    struct VehicleState
    {
        std::vector<std::int64_t> inside; // zone ids, ascending
        int lastSecond = -1;
        bool above = false;
        bool told = false;
        int aboveSeconds = 0;
    };

    std::vector<WatchedZone> m_zones;
    std::map<std::int64_t, std::uint32_t> m_byId;
    ZoneIndex m_index;
    double m_generalLimit = 0;
    std::map<UniqueID, VehicleState> m_vehicles;
    std::vector<std::uint32_t> m_candidates;
    std::vector<std::int64_t> m_now;
};

} // namespace corvane
