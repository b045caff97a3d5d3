#include "rules/ZoneWatcher.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvane {

namespace {

constexpr int secondsPerDay = 86400;

// The vehicle's clock step from the last fix to this one: forward through
// midnight, or negative for a fix older than the last.
int stepSeconds(int last, int now)
{
    if (last < 0 || now < 0)
        return 0;
    const int forward = ((now - last) % secondsPerDay + secondsPerDay) % secondsPerDay;
    return forward > secondsPerDay / 2 ? forward - secondsPerDay : forward;
}

std::string numberText(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

} // namespace

void ZoneWatcher::replaceZones(std::vector<WatchedZone> zones)
{
    m_zones.clear();
    m_byId.clear();
    for (WatchedZone& zone : zones)
        if (m_byId.emplace(zone.id, static_cast<std::uint32_t>(m_zones.size())).second)
            m_zones.push_back(std::move(zone));
    std::vector<std::vector<GeoBox>> bounds;
    bounds.reserve(m_zones.size());
    for (const WatchedZone& zone : m_zones)
        bounds.push_back(zone.shape.bounds());
    m_index.build(bounds);
    for (auto& [vehicle, state] : m_vehicles)
        std::erase_if(state.inside, [this](std::int64_t id) { return m_byId.count(id) == 0; });
}

void ZoneWatcher::restoreInside(const UniqueID& vehicle, std::int64_t zoneId)
{
    if (m_byId.count(zoneId) == 0)
        return;
    std::vector<std::int64_t>& inside = m_vehicles[vehicle].inside;
    const auto at = std::lower_bound(inside.begin(), inside.end(), zoneId);
    if (at == inside.end() || *at != zoneId)
        inside.insert(at, zoneId);
}

std::string ZoneWatcher::overspeedTitle(const std::string& zoneName, long speedKmh, double limitKmh,
                                        std::size_t maxTitle)
{
    const std::string figures =
        std::to_string(speedKmh) + " km/h > " + numberText(limitKmh) + " km/h";
    if (zoneName.empty())
        return figures;
    if (figures.size() + 1 >= maxTitle)
        return figures;
    std::size_t room = maxTitle - figures.size() - 1;
    if (room < zoneName.size())
        // Back off over continuation bytes: never half a character.
        while (room > 0 && (static_cast<unsigned char>(zoneName[room]) & 0xC0) == 0x80)
            --room;
    else
        room = zoneName.size();
    while (room > 0 && zoneName[room - 1] == ' ')
        --room;
    if (room == 0)
        return figures;
    return zoneName.substr(0, room) + " " + figures;
}

void ZoneWatcher::check(const ZoneFix& fix, std::vector<ZoneEvent>& out)
{
    VehicleState& state = m_vehicles[fix.vehicle];
    const int step = stepSeconds(state.lastSecond, fix.fixSecond);
    if (step < 0)
        return;
    if (fix.fixSecond >= 0)
        state.lastSecond = fix.fixSecond;

    m_candidates.clear();
    m_index.candidates(fix.latitude, fix.longitude, m_candidates);
    m_now.clear();
    for (const std::uint32_t zone : m_candidates)
        if (m_zones[zone].shape.contains(fix.latitude, fix.longitude))
            m_now.push_back(m_zones[zone].id);
    std::sort(m_now.begin(), m_now.end());

    const auto zoneEvent = [this, &out](int type, std::int64_t id, bool inside) {
        out.push_back({type, id, inside, m_zones[m_byId.at(id)].name});
    };
    for (const std::int64_t id : state.inside)
        if (!std::binary_search(m_now.begin(), m_now.end(), id))
            zoneEvent(exitType, id, false);
    for (const std::int64_t id : m_now)
        if (!std::binary_search(state.inside.begin(), state.inside.end(), id))
            zoneEvent(enterType, id, true);
    state.inside = m_now;

    // The strictest limit among the zones the vehicle is in.
    const WatchedZone* limiting = nullptr;
    for (const std::int64_t id : m_now) {
        const WatchedZone& zone = m_zones[m_byId.at(id)];
        if (zone.speedLimitKmh > 0 &&
            (limiting == nullptr || zone.speedLimitKmh < limiting->speedLimitKmh))
            limiting = &zone;
    }
    const double limit = limiting != nullptr ? limiting->speedLimitKmh : m_generalLimit;
    const double kmh = fix.speedKnots * kmhPerKnot;
    const long shown = std::isfinite(kmh) ? std::lround(std::min(kmh, 1e9)) : 0;
    if (!(limit > 0) || !(static_cast<double>(shown) > limit)) {
        state.above = false;
        state.told = false;
        state.aboveSeconds = 0;
        return;
    }
    // Held just past the threshold: a run of any length cannot overflow it.
    state.aboveSeconds =
        state.above ? std::min(state.aboveSeconds + step, overspeedSeconds + 1) : 0;
    state.above = true;
    if (state.told || state.aboveSeconds <= overspeedSeconds)
        return;
    state.told = true;
    const std::string name = limiting != nullptr ? limiting->name : std::string();
    out.push_back({overspeedType, limiting != nullptr ? limiting->id : 0, false,
                   overspeedTitle(name, shown, limit, maxTitle)});
}

} // namespace corvane
