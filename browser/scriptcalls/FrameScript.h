#pragma once

#include "base/UniqueID.h"
#include "browser/scriptcalls/PageCall.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace corvane {

class JsonText;

// The script calls of one display frame, gathered into one script for the
// page. The page's work then grows with vehicles and frames, not with reports:
// within a frame a vehicle's marker moves once, to its latest position and
// course, while every position it reported still joins its track.
//
// Calls are merged on their values (PageCall), and their texts are written
// only by take():
// - a vehicle's moves of the frame become one addTrackPoints with every
//   position but the last, then the last moveTo;
// - of its listed positions (updateVehicle) only the last of the frame is
//   kept, in its place before or after the last move.
// Any other call is kept as it is, in order, and closes every vehicle's
// gathering: calls of a vehicle after it are gathered anew behind it, so no
// call ever moves across another that may concern the same vehicle. A move
// the page would ignore (a coordinate that is not a finite number) is kept
// as it is like any other call; a move without a course (negative) after one
// with a course starts a new gathering, since the page keeps the last known
// course on the marker.
//
// The frame may be given a limit (setLimit), for the calls that wait while
// the page cannot take them. Past it, calls give way in this order until a
// quarter of the limit is free again: the gathered track points (oldest
// gathering first), then a vehicle's older gatherings where a later one of
// the same vehicle follows (its latest position stays), then other calls
// that are not alarms, and only last the oldest alarms. A vehicle's latest
// position call never gives way, so with many vehicles the frame may hold
// more than the limit, but never more than the limit plus one gathering per
// vehicle.
//
// Ownership: a value owning the gathered calls. Threads: one thread (the main
// window's). Throws: std::bad_alloc only.
class FrameScript
{
public:
    void add(PageCall call);

    bool empty() const noexcept { return m_items.empty(); }
    // Calls added since the last take().
    std::size_t callsAdded() const noexcept { return m_added; }

    // At most this many calls kept (0, the default: no limit). A lower limit
    // takes effect with the next add().
    void setLimit(std::size_t limit) noexcept { m_limit = limit; }
    // Calls the frame would send now: track points count one each.
    std::size_t kept() const noexcept { return m_kept; }
    // Calls that gave way to the limit since the last take(), and alarms among them.
    std::size_t givenWay() const noexcept { return m_givenWay; }
    std::size_t alarmsGivenWay() const noexcept { return m_alarmsGivenWay; }

    // The frame's script: each call kept as it is in its own try block, and
    // each run of vehicles between them in one frameMoves call, the values of
    // each vehicle's gathering as JSON: [identifier, [track points], move or 0,
    // listed position or 0, 1 when the position follows the move]. The move
    // is [latitude, longitude, speed, hour, minute, second, course], its reals
    // with six decimals as moveTo's; the position its four texts as
    // updateVehicle's. The page makes each vehicle's calls in its own try
    // block, so that a failing call stops nothing but what follows it for the
    // same vehicle in this frame. A vehicle whose speed is not a number
    // (which JSON cannot hold) has its calls written as script, in its place.
    // Leaves the frame empty.
    std::string take();

private:
    struct Vehicle
    {
        UniqueID id;
        std::vector<double> points; // latitude, longitude of every move but the last
        std::optional<PageCall> move;
        std::optional<PageCall> update;
        bool updateAfterMove = false;
        bool moveHasCourse = false;
    };
    struct Item
    {
        std::optional<PageCall> call; // a call kept as it is, or
        int vehicle = -1;             // a gathered vehicle (index into m_vehicles)
        bool alarm = false;
        bool gone = false; // gave way to the limit
    };
    struct IdHash
    {
        std::size_t operator()(const UniqueID& id) const noexcept;
    };

    static bool writable(const Vehicle& v);
    static void appendGathering(JsonText& json, const Vehicle& v);
    static void appendCalls(std::string& script, const Vehicle& v);
    Vehicle& gather(const UniqueID& id);
    void addMove(PageCall call);
    void addOther(PageCall call);
    void makeRoom();
    void dropItem(Item& item);

    std::vector<Item> m_items;
    std::vector<Vehicle> m_vehicles;
    // Vehicles still gathering: identifier to index into m_vehicles.
    std::unordered_map<UniqueID, int, IdHash> m_open;
    std::size_t m_added = 0;
    std::size_t m_limit = 0;
    std::size_t m_kept = 0;
    std::size_t m_givenWay = 0;
    std::size_t m_alarmsGivenWay = 0;
};

} // namespace corvane
