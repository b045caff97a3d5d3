#include "browser/scriptcalls/FrameScript.h"

#include "browser/scriptcalls/JsonText.h"
#include "browser/scriptcalls/ScriptCalls.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

namespace corvane {

namespace {

void appendGuarded(std::string& script, std::string_view call)
{
    script += "try { ";
    script += call;
    script += "\n} catch (e) { console.error(e); }\n";
}

} // namespace

std::size_t FrameScript::IdHash::operator()(const UniqueID& id) const noexcept
{
    // Identifiers are random (or a recorder's own): any eight of their bytes
    // spread well enough.
    std::uint64_t half[2];
    std::memcpy(half, id.bytes().data(), sizeof half);
    return static_cast<std::size_t>(half[0] ^ (half[1] * 0x9E3779B97F4A7C15ull));
}

void FrameScript::add(PageCall call)
{
    ++m_added;
    ++m_kept;
    if (m_limit != 0 && m_kept > m_limit)
        makeRoom();
    if (const PageCall::Move* move = call.asMove()) {
        if (std::isfinite(move->fix.latitude) && std::isfinite(move->fix.longitude) &&
            std::isfinite(move->fix.course)) {
            addMove(std::move(call));
            return;
        }
    } else if (const PageCall::Position* position = call.asPosition()) {
        Vehicle& vehicle = gather(position->vehicle);
        // An update replaces the one before it: the count stays.
        if (vehicle.update)
            --m_kept;
        vehicle.update = std::move(call);
        vehicle.updateAfterMove = vehicle.move.has_value();
        return;
    }
    addOther(std::move(call));
}

FrameScript::Vehicle& FrameScript::gather(const UniqueID& id)
{
    auto [open, created] = m_open.try_emplace(id, static_cast<int>(m_vehicles.size()));
    if (created) {
        m_vehicles.push_back(Vehicle{id, {}, std::nullopt, std::nullopt});
        m_items.push_back(Item{std::nullopt, open->second});
    }
    return m_vehicles[static_cast<std::size_t>(open->second)];
}

void FrameScript::addMove(PageCall call)
{
    const PageCall::Move& move = *call.asMove();
    const bool hasCourse = move.fix.course >= 0;
    Vehicle* vehicle = &gather(move.vehicle);
    if (vehicle->move && vehicle->moveHasCourse && !hasCourse) {
        // The page turns the marker only for a move with a course: this move
        // alone would lose the course of the one before it.
        m_open.erase(move.vehicle);
        vehicle = &gather(move.vehicle);
    }
    if (vehicle->move) {
        // The kept move gives way; its position still joins the track.
        const GPSReading& before = vehicle->move->asMove()->fix;
        vehicle->points.push_back(before.latitude);
        vehicle->points.push_back(before.longitude);
    }
    vehicle->move = std::move(call);
    vehicle->moveHasCourse = hasCourse;
    vehicle->updateAfterMove = false;
}

void FrameScript::addOther(PageCall call)
{
    m_open.clear();
    const bool alarm = call.alarm();
    m_items.push_back(Item{std::move(call), -1, alarm});
}

void FrameScript::dropItem(Item& item)
{
    std::size_t calls = 1;
    if (item.vehicle >= 0) {
        const Vehicle& v = m_vehicles[static_cast<std::size_t>(item.vehicle)];
        calls = v.points.size() / 2 + (v.move ? 1 : 0) + (v.update ? 1 : 0);
    } else if (item.alarm) {
        ++m_alarmsGivenWay;
    }
    item.gone = true;
    m_kept -= calls;
    m_givenWay += calls;
}

void FrameScript::makeRoom()
{
    // The call being added is counted already; the room is made before it
    // joins, so it never gives way itself.
    const std::size_t target = m_limit - m_limit / 4;
    for (Item& item : m_items) {
        if (m_kept <= target)
            break;
        if (item.vehicle < 0)
            continue;
        Vehicle& v = m_vehicles[static_cast<std::size_t>(item.vehicle)];
        const std::size_t points = v.points.size() / 2;
        m_kept -= points;
        m_givenWay += points;
        v.points.clear();
    }
    if (m_kept > target) {
        // A gathering followed by a later one of the same vehicle.
        std::vector<bool> superseded(m_items.size(), false);
        std::unordered_set<UniqueID, IdHash> later;
        for (std::size_t i = m_items.size(); i-- > 0;) {
            if (m_items[i].vehicle < 0)
                continue;
            const UniqueID& id = m_vehicles[static_cast<std::size_t>(m_items[i].vehicle)].id;
            superseded[i] = !later.insert(id).second;
        }
        for (std::size_t i = 0; i < m_items.size() && m_kept > target; ++i)
            if (superseded[i])
                dropItem(m_items[i]);
    }
    for (const bool alarms : {false, true})
        for (Item& item : m_items) {
            if (m_kept <= target)
                break;
            if (!item.gone && item.vehicle < 0 && item.alarm == alarms)
                dropItem(item);
        }
    m_items.erase(
        std::remove_if(m_items.begin(), m_items.end(), [](const Item& item) { return item.gone; }),
        m_items.end());
}

bool FrameScript::writable(const Vehicle& v)
{
    // JSON has no NaN: a move whose speed is not a number goes as a call.
    return !v.move || std::isfinite(v.move->asMove()->fix.speed);
}

void FrameScript::appendGathering(JsonText& json, const Vehicle& v)
{
    json.beginArray().string(v.id.toText()).beginArray();
    for (const double value : v.points)
        json.decimal(value, 6);
    json.endArray();
    if (v.move) {
        const GPSReading& fix = v.move->asMove()->fix;
        json.beginArray()
            .decimal(fix.latitude, 6)
            .decimal(fix.longitude, 6)
            .decimal(fix.speed, 6)
            .integer(fix.fixTime.hour())
            .integer(fix.fixTime.minute())
            .integer(fix.fixTime.second())
            .decimal(fix.course, 6)
            .endArray();
    } else {
        json.integer(0);
    }
    if (const PageCall::Position* p = v.update ? v.update->asPosition() : nullptr)
        json.beginArray()
            .string(p->latitude)
            .string(p->longitude)
            .string(p->shownName)
            .string(p->time)
            .endArray();
    else
        json.integer(0);
    json.integer(v.updateAfterMove ? 1 : 0).endArray();
}

void FrameScript::appendCalls(std::string& script, const Vehicle& v)
{
    std::string calls;
    const auto add = [&calls](const std::string& call) {
        if (!calls.empty())
            calls += calls.back() == ';' ? " " : "; ";
        calls += call;
    };
    if (!v.points.empty())
        add(ScriptCalls::addTrackPoints(v.id, v.points));
    if (v.update && !v.updateAfterMove)
        add(v.update->text());
    if (v.move)
        add(v.move->text());
    if (v.update && v.updateAfterMove)
        add(v.update->text());
    if (!calls.empty())
        appendGuarded(script, calls);
}

std::string FrameScript::take()
{
    std::string script;
    // Consecutive vehicles go to the page as one text of values: the engine
    // reads that many times faster than the same calls written as script,
    // which it must compile anew every frame.
    JsonText moves;
    bool pending = false;
    const auto flush = [&] {
        if (pending)
            appendGuarded(script, ScriptCalls::frameMoves(moves.endArray().finish()));
        pending = false;
    };
    for (const Item& item : m_items) {
        if (item.vehicle < 0) {
            flush();
            appendGuarded(script, item.call->text());
            continue;
        }
        const Vehicle& v = m_vehicles[static_cast<std::size_t>(item.vehicle)];
        if (!writable(v)) {
            flush();
            appendCalls(script, v);
            continue;
        }
        if (!pending)
            moves.beginArray();
        pending = true;
        appendGathering(moves, v);
    }
    flush();
    m_items.clear();
    m_vehicles.clear();
    m_open.clear();
    m_added = 0;
    m_kept = 0;
    m_givenWay = 0;
    m_alarmsGivenWay = 0;
    return script;
}

} // namespace corvane
