#include "browser/scriptcalls/FrameScript.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <unordered_set>

namespace corvane {

namespace {

constexpr std::size_t moveToArguments = 8;
constexpr std::size_t updateVehicleArguments = 5;

// The raw argument texts of `call` when it is a call of `function` as
// ScriptCall writes it: numbers, or literals in apostrophes with backslash
// escapes, separated by ", ", closed by ")" and an optional ";".
std::optional<std::vector<std::string_view>> arguments(std::string_view call,
                                                       std::string_view function)
{
    if (call.size() <= function.size() || call.substr(0, function.size()) != function ||
        call[function.size()] != '(')
        return std::nullopt;
    if (call.back() == ';')
        call.remove_suffix(1);
    if (call.empty() || call.back() != ')')
        return std::nullopt;
    std::string_view rest = call.substr(function.size() + 1, call.size() - function.size() - 2);
    std::vector<std::string_view> out;
    while (!rest.empty()) {
        std::size_t end = 0;
        if (rest[0] == '\'') {
            end = 1;
            while (end < rest.size() && rest[end] != '\'')
                end += rest[end] == '\\' ? 2 : 1;
            if (end >= rest.size())
                return std::nullopt; // an open literal: not ours
            ++end;
        } else {
            end = rest.find(',');
            if (end == std::string_view::npos)
                end = rest.size();
        }
        out.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
        if (rest.empty())
            break;
        if (rest.substr(0, 2) != ", ")
            return std::nullopt;
        rest.remove_prefix(2);
        if (rest.empty())
            return std::nullopt;
    }
    return out;
}

bool isLiteral(std::string_view argument)
{
    return argument.size() >= 2 && argument.front() == '\'' && argument.back() == '\'';
}

// A plain decimal number that is finite (ScriptCall writes NaN and Infinity
// as words, which the page's moveTo refuses).
std::optional<double> finiteNumber(std::string_view argument)
{
    double value = 0;
    const auto result = std::from_chars(argument.data(), argument.data() + argument.size(), value);
    if (result.ec != std::errc() || result.ptr != argument.data() + argument.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

void appendGuarded(std::string& script, std::string_view call)
{
    script += "try { ";
    script += call;
    script += "\n} catch (e) { console.error(e); }\n";
}

} // namespace

void FrameScript::add(std::string call)
{
    ++m_added;
    ++m_kept;
    if (m_limit != 0 && m_kept > m_limit)
        makeRoom();
    if (auto move = arguments(call, "moveTo");
        move && move->size() == moveToArguments && isLiteral((*move)[7])) {
        const auto lat = finiteNumber((*move)[0]);
        const auto lng = finiteNumber((*move)[1]);
        const auto course = finiteNumber((*move)[6]);
        if (lat && lng && course) {
            // Copies first: the views point into the call text handed on.
            std::string key((*move)[7]);
            std::string position = std::string((*move)[0]) + ", " + std::string((*move)[1]);
            addMove(std::move(call), key, std::move(position), *course >= 0);
            return;
        }
    } else if (auto update = arguments(call, "updateVehicle");
               update && update->size() == updateVehicleArguments && isLiteral((*update)[2])) {
        Vehicle& vehicle = gather((*update)[2]);
        // An update replaces the one before it: the count stays.
        if (!vehicle.update.empty())
            --m_kept;
        vehicle.update = std::move(call);
        vehicle.updateAfterMove = !vehicle.move.empty();
        return;
    }
    addOther(std::move(call));
}

FrameScript::Vehicle& FrameScript::gather(std::string_view key)
{
    auto [open, created] =
        m_open.try_emplace(std::string(key), static_cast<int>(m_vehicles.size()));
    if (created) {
        m_vehicles.emplace_back().key.assign(key);
        m_items.push_back(Item{{}, open->second});
    }
    return m_vehicles[static_cast<std::size_t>(open->second)];
}

void FrameScript::addMove(std::string call, const std::string& key, std::string position,
                          bool hasCourse)
{
    Vehicle* vehicle = &gather(key);
    if (!vehicle->move.empty() && vehicle->moveHasCourse && !hasCourse) {
        // The page turns the marker only for a move with a course: this move
        // alone would lose the course of the one before it.
        m_open.erase(key);
        vehicle = &gather(key);
    }
    if (!vehicle->move.empty()) {
        // The kept move gives way; its position still joins the track.
        if (!vehicle->points.empty())
            vehicle->points += ", ";
        vehicle->points += vehicle->movePosition;
        ++vehicle->pointCount;
    }
    vehicle->movePosition = std::move(position);
    vehicle->move = std::move(call);
    vehicle->moveHasCourse = hasCourse;
    vehicle->updateAfterMove = false;
}

void FrameScript::addOther(std::string call)
{
    m_open.clear();
    const bool alarm = call.rfind("updateEventInfo(", 0) == 0;
    m_items.push_back(Item{std::move(call), -1, alarm});
}

void FrameScript::dropItem(Item& item)
{
    std::size_t calls = 1;
    if (item.vehicle >= 0) {
        Vehicle& v = m_vehicles[static_cast<std::size_t>(item.vehicle)];
        calls = v.pointCount + (v.move.empty() ? 0 : 1) + (v.update.empty() ? 0 : 1);
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
        m_kept -= v.pointCount;
        m_givenWay += v.pointCount;
        v.points.clear();
        v.pointCount = 0;
    }
    if (m_kept > target) {
        // A gathering followed by a later one of the same vehicle.
        std::vector<bool> superseded(m_items.size(), false);
        std::unordered_set<std::string_view> later;
        for (std::size_t i = m_items.size(); i-- > 0;) {
            if (m_items[i].vehicle < 0)
                continue;
            const std::string& key = m_vehicles[static_cast<std::size_t>(m_items[i].vehicle)].key;
            superseded[i] = !later.insert(key).second;
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

std::string FrameScript::take()
{
    std::string script;
    for (const Item& item : m_items) {
        if (item.vehicle < 0) {
            appendGuarded(script, item.call);
            continue;
        }
        const Vehicle& v = m_vehicles[static_cast<std::size_t>(item.vehicle)];
        if (!v.points.empty())
            appendGuarded(script, "addTrackPoints(" + v.key + ", [" + v.points + "]);");
        if (!v.update.empty() && !v.updateAfterMove)
            appendGuarded(script, v.update);
        if (!v.move.empty())
            appendGuarded(script, v.move);
        if (!v.update.empty() && v.updateAfterMove)
            appendGuarded(script, v.update);
    }
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
